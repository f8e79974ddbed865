// Encrypted copies for carrying away: nothing of a pupil in clear, a restore
// with the right password, and every wrong password, changed byte, cut or
// extended file refused with its reason and nothing written or changed.
#include <QtTest>

#include <functional>

#include <sodium.h>
#include <sys/stat.h>

#include <QProcess>

#include "core/operations/encrypted_backup.h"
#include "file_snapshot.h"
#include "platform/encrypted_copy.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

const QString kName = QStringLiteral("欧阳明月");
const QString kCard = QStringLiteral("11010519491231002X");
const QString kPassword = QStringLiteral("春天的风123");
const EncryptedCopy::Cost kCheap{crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};

qint64 pupils(Database &db)
{
    return db.query(QStringLiteral("select count(*) from 高一01")).text(0, 0).toLongLong();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

int mode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

struct Finished
{
    int status = -1;
    QString out;
    QString err;
};

// tavro in a child process, the password lines on its standard input.
Finished runTavro(const QString &workDir, const QStringList &args, const QByteArray &input)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(TAVRO_EXECUTABLE), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        p.kill();
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// The files a kill or a failure might leave: the program's temporaries.
QStringList temporaries(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".tavro-*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestEncryptedCopy : public QObject
{
    Q_OBJECT

private slots:
    void copyHidesThePupilsAndRestores();
    void damagedOrWrongRefused_data();
    void damagedOrWrongRefused();
    void commandLineBackupAndRestore();
};

void TestEncryptedCopy::copyHidesThePupilsAndRestores()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), kName}, {QStringLiteral("身份证件号"), kCard}});
    QTemporaryDir stick;
    const QString copy = stick.filePath(QStringLiteral("周五.tavro"));

    const BackupList::Entry made = EncryptedBackup::write(*env.db, copy, kPassword, kCheap);
    QCOMPARE(made.pupils, 1);
    const QByteArray bytes = readFile(copy);
    QVERIFY(bytes.size() > 4096);
    QVERIFY(!bytes.contains(kName.toUtf8()));
    QVERIFY(!bytes.contains(kCard.toUtf8()));
    QVERIFY(!bytes.contains("SQLite format"));
    QCOMPARE(mode(copy), 0600);
    QVERIFY(EncryptedCopy::isEncrypted(copy));
    QVERIFY(!EncryptedCopy::isEncrypted(env.db->filePath()));
    // The plain copy it was made from is gone, from both folders.
    QVERIFY(temporaries(env.dir.path()).isEmpty());
    QCOMPARE(QDir(stick.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"周五.tavro"});
    // Never over an existing file.
    QVERIFY_THROWS_EXCEPTION(FileError, EncryptedBackup::write(*env.db, copy, kPassword, kCheap));
    QCOMPARE(readFile(copy), bytes);

    env.db->execute(QStringLiteral("delete from 高一01"));
    {
        const EncryptedBackup::Decrypted plain(copy, env.db->filePath(), kPassword);
        QCOMPARE(mode(plain.path()), 0600);
        env.db->restoreFrom(plain.path(), env.clock.now());
    }
    QCOMPARE(pupils(*env.db), 1);
    QCOMPARE(env.db->query(QStringLiteral("select 身份证件号 from 高一01")).text(0, 0), kCard);
    QVERIFY(temporaries(env.dir.path()).isEmpty());
}

void TestEncryptedCopy::damagedOrWrongRefused_data()
{
    using Change = std::function<QByteArray(QByteArray)>;
    QTest::addColumn<Change>("change");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("wrongPassword");
    const Change none = [](QByteArray b) { return b; };
    auto flip = [](qsizetype at) { return Change([at](QByteArray b) { b[at < 0 ? b.size() + at : at] ^= 0x01; return b; }); };
    QTest::newRow("wrong password") << none << QStringLiteral("春天的风124") << true;
    QTest::newRow("magic's version") << flip(9) << kPassword << false;
    QTest::newRow("cost in the header") << flip(12) << kPassword << false;
    QTest::newRow("salt") << flip(35) << kPassword << false;
    QTest::newRow("stream header") << flip(60) << kPassword << false;
    QTest::newRow("a middle byte") << Change([](QByteArray b) { b[b.size() / 2] ^= 0x40; return b; }) << kPassword << false;
    QTest::newRow("the last byte") << flip(-1) << kPassword << false;
    QTest::newRow("cut short") << Change([](QByteArray b) { return b.left(b.size() - 100); }) << kPassword << false;
    // The plain file is 200000 bytes: chunks of 65536 + 17 bytes after a 134-byte header.
    QTest::newRow("cut after a whole chunk") << Change([](QByteArray b) { return b.left(134 + 2 * (65536 + 17)); })
                                             << kPassword << false;
    QTest::newRow("bytes after the end") << Change([](QByteArray b) { return b + "x"; }) << kPassword << false;
}

// Any file of bytes is carried, chunk by chunk: a change anywhere is refused
// and the target is never written.
void TestEncryptedCopy::damagedOrWrongRefused()
{
    QFETCH(std::function<QByteArray(QByteArray)>, change);
    QFETCH(QString, password);
    QFETCH(bool, wrongPassword);
    QTemporaryDir dir;
    QByteArray plain(200000, Qt::Uninitialized);
    randombytes_buf(plain.data(), size_t(plain.size()));
    writeFile(dir.filePath(QStringLiteral("plain")), plain);
    const QString sealed = dir.filePath(QStringLiteral("sealed"));
    EncryptedCopy::encrypt(dir.filePath(QStringLiteral("plain")), sealed, kPassword, kCheap);
    EncryptedCopy::decrypt(sealed, dir.filePath(QStringLiteral("whole")), kPassword);
    QCOMPARE(readFile(dir.filePath(QStringLiteral("whole"))), plain);

    writeFile(sealed, change(readFile(sealed)));
    const QString target = dir.filePath(QStringLiteral("opened"));
    try {
        EncryptedCopy::decrypt(sealed, target, password);
        QFAIL("a wrong password or a changed file was opened");
    } catch (const EncryptedCopy::WrongPassword &e) {
        QVERIFY2(wrongPassword, qPrintable(e.text()));
        QVERIFY(e.text().contains(QStringLiteral("密码不对")));
    } catch (const FileError &e) {
        QVERIFY2(!wrongPassword, qPrintable(e.text()));
        QVERIFY2(e.text().contains(QStringLiteral("已损坏或被改动")) || e.text().contains(QStringLiteral("版本")),
                 qPrintable(e.text()));
    }
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(temporaries(dir.path()).isEmpty());
}

void TestEncryptedCopy::commandLineBackupAndRestore()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), kName}, {QStringLiteral("身份证件号"), kCard}});
    const QString db = env.db->filePath();
    env.db.reset();
    QTemporaryDir stick;
    const QString copy = stick.filePath(QStringLiteral("周五.tavro"));
    const QByteArray typed = kPassword.toUtf8() + '\n';

    // Too short a password: nothing written.
    Finished r = runTavro(env.dir.path(), {"backup", "--db", db, "--into", copy, "--encrypt"}, "12345\n");
    QVERIFY(r.status != 0 && r.err.contains(QStringLiteral("至少要有 6 个字符")));
    QVERIFY(!QFileInfo::exists(copy));
    r = runTavro(env.dir.path(), {"backup", "--db", db, "--into", copy, "--encrypt"}, typed);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(!readFile(copy).contains(kName.toUtf8()) && !readFile(copy).contains(kCard.toUtf8()));
    QVERIFY(temporaries(env.dir.path()).isEmpty() && temporaries(stick.path()).isEmpty());

    // A wrong password and a changed byte: refused with their reasons, every file as it was.
    const QString damaged = stick.filePath(QStringLiteral("坏.tavro"));
    QByteArray bytes = readFile(copy);
    bytes[bytes.size() / 2] ^= 0x01;
    writeFile(damaged, bytes);
    const auto before = folderSnapshot(env.dir.path());
    r = runTavro(env.dir.path(), {"restore", "--from", copy, "--db", db}, "不是这个密码\n");
    QVERIFY(r.status != 0 && r.err.contains(QStringLiteral("密码不对")));
    r = runTavro(env.dir.path(), {"restore", "--from", damaged, "--db", db}, typed);
    QVERIFY(r.status != 0 && r.err.contains(QStringLiteral("已损坏或被改动")));
    QCOMPARE(folderSnapshot(env.dir.path()), before);

    SqlDatabase::openSqlite(db, SqliteMode::ReadWrite)->execute(QStringLiteral("delete from 高一01"));
    r = runTavro(env.dir.path(), {"restore", "--from", copy, "--db", db}, typed);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(temporaries(env.dir.path()).isEmpty());
    const auto restored = SqlDatabase::openSqlite(db, SqliteMode::ReadOnly);
    QCOMPARE(pupils(*restored), 1);
    // The history says the backup and the restore were encrypted and how many pupils the copy held.
    const QueryResult lines = restored->query(QStringLiteral("select kind, detail from tavro_history order by id"));
    QCOMPARE(lines.text(lines.rowCount() - 1, 0), QStringLiteral("还原"));
    QVERIFY2(lines.text(lines.rowCount() - 1, 1).contains(QStringLiteral("（加密，1 个班级表，1 名学生")),
             qPrintable(lines.text(lines.rowCount() - 1, 1)));
}

QTEST_MAIN(TestEncryptedCopy)
#include "tst_encrypted_copy.moc"
