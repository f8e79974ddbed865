// The management window's 备份 tab on the local file: the list, a backup made
// now, a restore on the program's own connection, refused while another
// program has the file open.
#include <QtTest>

#include <QPushButton>
#include <QTableWidget>

#include "manage/backup_tab.h"
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

QTEST_MAIN(TestBackupTab)
#include "tst_backup_tab.moc"
