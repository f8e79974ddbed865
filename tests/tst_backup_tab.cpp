// The management window's 备份 tab on the local file: the list, a backup made
// now, a restore on the program's own connection, refused while another
// program has the file open.
#include <QtTest>

#include <QPushButton>
#include <QTableWidget>

#include "manage/backup_tab.h"
#include "manage/backup_target_dialog.h"
#include "platform/database_backup.h"
#include "platform/encrypted_copy.h"
#include "file_snapshot.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

qint64 pupils(Database &db)
{
    return db.query(QStringLiteral("select count(*) from 高一01")).text(0, 0).toLongLong();
}

} // namespace

class TestBackupTab : public QObject
{
    Q_OBJECT

private slots:
    void backupListRestoreAndRefusal();
    void encryptedBackupToAFileAndItsRestore();
};

void TestBackupTab::backupListRestoreAndRefusal()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    BackupTab tab(*env.db, env.services);
    int restored = 0;
    connect(&tab, &BackupTab::restored, this, [&] { ++restored; });

    tab.backupButton()->click();
    QCOMPARE(tab.backups()->rowCount(), 1);
    QCOMPARE(tab.backups()->item(0, 2)->text(), QStringLiteral("1"));
    QCOMPARE(tab.backups()->item(0, 3)->text(), QStringLiteral("2"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("王五")}});

    // 否 changes nothing.
    tab.backups()->selectRow(0);
    env.messages.answerNext(Messages::Answer::No);
    tab.restoreButton()->click();
    QCOMPARE(pupils(*env.db), 3);

    // Another program with the file open: refused, the data and this connection as they were.
    {
        const auto other = env.connectAgain();
        QCOMPARE(pupils(*other), 3);
        env.messages.clear();
        tab.restoreButton()->click();
        QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Error);
        QCOMPARE(restored, 0);
        QCOMPARE(pupils(*env.db), 3);
    }

    // Alone: the backup replaces the data; the same connection object reads the restored file.
    tab.restoreButton()->click();
    QCOMPARE(restored, 1);
    QCOMPARE(pupils(*env.db), 2);
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("赵六")}});
    QCOMPARE(pupils(*env.connectAgain()), 3);
    // The data replaced was kept as a backup first: two listed now.
    QCOMPARE(tab.backups()->rowCount(), 2);
    // The restored history holds only the restore: the backup's own line was written after the copy.
    const QueryResult kinds = env.db->query(QStringLiteral("select kind from tavro_history order by id"));
    QCOMPARE(kinds.rowCount(), 1);
    QCOMPARE(kinds.text(0, 0), QStringLiteral("还原"));
}

void TestBackupTab::encryptedBackupToAFileAndItsRestore()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    const QString dbPath = env.db->filePath();
    BackupTab tab(*env.db, env.services);
    QTemporaryDir stick;
    const QString target = stick.filePath(QStringLiteral("周五.tavro"));
    std::optional<bool> offered;
    QStringList notes;
    QStringList typed{QStringLiteral("不对的密码"), QStringLiteral("正确的密码123")};
    BackupTab::Asks asks;
    asks.saveFile = [&] { return target; };
    asks.openFile = [&] { return target; };
    asks.encryption = [&](const QString &, bool byDefault) {
        offered = byDefault;
        return std::optional<bool>(true);
    };
    asks.password = [&](bool isNew, const QString &, const QString &note) {
        notes << note;
        return isNew ? QStringLiteral("正确的密码123") : typed.takeFirst();
    };
    tab.setAsks(asks);

    // Outside the backup folder encryption is offered on; inside it off.
    tab.backupToFileButton()->click();
    QCOMPARE(offered, std::optional<bool>(true));
    QVERIFY(!BackupTargetDialog::leavesBackupFolder(DatabaseBackup::folderFor(dbPath) + QStringLiteral("/周五.db"), dbPath));
    QVERIFY(EncryptedCopy::isEncrypted(target));
    QVERIFY(!readFile(target).contains(QStringLiteral("张三").toUtf8()));
    const QueryResult backedUp = env.db->query(QStringLiteral("select detail from tavro_history where kind = '备份'"));
    QVERIFY2(backedUp.text(0, 0).contains(QStringLiteral("（加密，1 个班级表，2 名学生")), qPrintable(backedUp.text(0, 0)));

    // A wrong password is asked again with a note; the right one restores.
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("王五")}});
    env.messages.answerNext(Messages::Answer::Yes);
    tab.restoreFileButton()->click();
    QCOMPARE(notes, QStringList({QString(), QString(), QStringLiteral("密码不对，请再输入一次。")}));
    QCOMPARE(pupils(*env.db), 2);
    const QueryResult lines = env.db->query(QStringLiteral("select kind, detail from tavro_history order by id"));
    QCOMPARE(lines.text(lines.rowCount() - 1, 0), QStringLiteral("还原"));
    QVERIFY(lines.text(lines.rowCount() - 1, 1).contains(QStringLiteral("（加密，1 个班级表，2 名学生")));
    QVERIFY(QDir(QFileInfo(dbPath).absolutePath()).entryList({QStringLiteral(".tavro-*")}, QDir::Files | QDir::Hidden).isEmpty());
}

QTEST_MAIN(TestBackupTab)
#include "tst_backup_tab.moc"
