// The local database file: a file that is not ours, or a -wal that does not
// belong to it, is refused with every byte left as it was; read-only commands
// work on read-only files and folders and leave nothing behind; every confirmed
// save is in the file itself.
#include <QtTest>

#include "admin_command_run.h"
#include "app/database_connection.h"
#include "core/operations/template_tables.h"
#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "file_snapshot.h"
#include "platform/app_error.h"
#include "platform/transaction.h"
#include "raw_sqlite.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

const QString kTable = QStringLiteral("高一01");

// A database of this program with a class table of `rows` students, closed again.
void makeSchoolFile(const QString &path, int rows)
{
    auto db = SqlDatabase::openSqlite(path, SqliteMode::Create);
    TemplateTables::create(*db);
    db->execute(QStringLiteral("Select * into 高一01 from Init2 where 1 <> 1"));
    for (int i = 0; i < rows; ++i)
        insertStudent(*db, kTable, {{QStringLiteral("姓名"), QStringLiteral("学生%1").arg(i)}});
}

int students(const QString &path)
{
    return SqlDatabase::openSqlite(path, SqliteMode::ReadOnly)->query(QStringLiteral("select count(*) from 高一01")).text(0, 0).toInt();
}

void copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    QVERIFY2(QFile::copy(from, to), qPrintable(from));
}

// What a refused file must give on every road in: the refusal, naming the file.
void expectRefused(const QString &path, const QString &why)
{
    for (SqliteMode mode : {SqliteMode::ReadWrite, SqliteMode::ReadOnly}) {
        try {
            SqlDatabase::openSqlite(path, mode);
            QFAIL("opened");
        } catch (const DatabaseError &e) {
            QVERIFY2(e.text().contains(why), qPrintable(e.text()));
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), qPrintable(e.text()));
        }
    }
    QTemporaryDir reports;
    for (const QStringList &args : {QStringList{"check", "检查重名", "--db", path, "--dir", reports.path()},
                                    QStringList{"pad", "--db", path}}) {
        const AdminCommandRun r = runAdmin(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(why), qPrintable(r.err));
    }
    QVERIFY(!QFile::exists(reports.filePath(QStringLiteral("check.txt"))));
    TestEnv env;
    QCOMPARE(DatabaseConnection::openLocalFile(env.services, QFileInfo(path).absolutePath()), nullptr);
    QVERIFY(env.messages.shown.isEmpty()); // the start-up shows its own failure text
}

QStringList recordValues(const QString &name)
{
    QStringList v;
    for (int i = 0; i < RecordColumns::Count; ++i)
        v << QStringLiteral("值%1").arg(i);
    v[RecordColumns::Name] = name;
    v[RecordColumns::CardNo] = name;
    return v;
}

} // namespace

class TestLocalFileSafety : public QObject
{
    Q_OBJECT

private slots:
    void filesNotOursAreRefusedUntouched_data();
    void filesNotOursAreRefusedUntouched();
    void templateTableInAnyCase();
    void newFileIsNotMadeBesideALeftoverLog();
    void foreignLogIsNeverMerged_data();
    void foreignLogIsNeverMerged();
    void crashLogOfTheSameFileIsRecovered();
    void readOnlyFileAndFolderServeReadingCommands();
    void fileAloneHoldsEveryConfirmedSave();
};

void TestLocalFileSafety::filesNotOursAreRefusedUntouched_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("empty file") << 0;
    QTest::newRow("text file") << 1;
    QTest::newRow("SQLite without Init2") << 2;
    QTest::newRow("SQLite without Init2, write-ahead log") << 3;
}

void TestLocalFileSafety::filesNotOursAreRefusedUntouched()
{
    QFETCH(int, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavro.db"));
    if (kind < 2) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kind == 0 ? QByteArray() : QByteArray("学籍 2015\r\n").repeated(300));
    } else {
        RawSqlite other(path);
        if (kind == 3)
            other.exec(QStringLiteral("pragma journal_mode = wal"));
        QCOMPARE(other.exec(QStringLiteral("create table 成绩 (姓名 text); insert into 成绩 values ('张三')")), QString());
    }
    const auto before = folderSnapshot(dir.path());
    expectRefused(path, QStringLiteral("不是本程序的数据库"));
    QCOMPARE(folderSnapshot(dir.path()), before);
}

void TestLocalFileSafety::templateTableInAnyCase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavro.db"));
    {
        RawSqlite file(path);
        file.exec(QStringLiteral("create table INIT2 (id integer primary key, 姓名 text)"));
    }
    QCOMPARE(SqlDatabase::openSqlite(path, SqliteMode::ReadWrite)->tableNames(), QStringList{"INIT2"});
}

void TestLocalFileSafety::newFileIsNotMadeBesideALeftoverLog()
{
    // tavro.db was moved away but its log stayed: a new file would swallow or drop it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(path, 1);
    {
        RawSqlite running(path);
        running.keepLog();
        running.exec(QStringLiteral("insert into 高一01 (姓名) values ('甲')"));
        copyFile(path + QStringLiteral("-wal"), dir.filePath(QStringLiteral("log")));
    }
    QVERIFY(QFile::remove(path));
    copyFile(dir.filePath(QStringLiteral("log")), path + QStringLiteral("-wal"));
    const auto before = folderSnapshot(dir.path());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, SqlDatabase::openSqlite(path, SqliteMode::Create));
    QCOMPARE(folderSnapshot(dir.path()), before);
}

void TestLocalFileSafety::foreignLogIsNeverMerged_data()
{
    QTest::addColumn<bool>("sameLineage");
    QTest::newRow("restored earlier backup, the later file's log beside it") << true;
    QTest::newRow("another program's log") << false;
}

void TestLocalFileSafety::foreignLogIsNeverMerged()
{
    QFETCH(bool, sameLineage);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavro.db"));
    const QString wal = path + QStringLiteral("-wal");
    const QString savedLog = dir.filePath(QStringLiteral("saved.log"));
    makeSchoolFile(path, 2);
    if (sameLineage) {
        // The morning's backup; the day's saves; a crash leaves the last one in the log.
        copyFile(path, dir.filePath(QStringLiteral("backup.db")));
        {
            auto db = SqlDatabase::openSqlite(path, SqliteMode::ReadWrite);
            for (int i = 0; i < 300; ++i)
                insertStudent(*db, kTable, {{QStringLiteral("姓名"), QStringLiteral("下午%1").arg(i)}});
        }
        RawSqlite crashing(path);
        crashing.keepLog();
        crashing.exec(QStringLiteral("insert into 高一01 (姓名) values ('最后一位'); create table 高一02 (x)"));
        copyFile(wal, savedLog);
    } else {
        RawSqlite other(dir.filePath(QStringLiteral("other.db")));
        other.keepLog();
        other.exec(QStringLiteral("create table 成绩 (姓名 text, 分数 int)"));
        for (int i = 0; i < 50; ++i)
            other.exec(QStringLiteral("insert into 成绩 values ('学生%1', %1)").arg(i));
        copyFile(dir.filePath(QStringLiteral("other.db-wal")), savedLog);
    }
    QVERIFY(!QFile::exists(wal));
    if (sameLineage)
        copyFile(dir.filePath(QStringLiteral("backup.db")), path); // restored by hand
    copyFile(savedLog, wal);

    const auto before = folderSnapshot(dir.path());
    expectRefused(path, QStringLiteral("不属于它"));
    QCOMPARE(folderSnapshot(dir.path()), before);
}

void TestLocalFileSafety::crashLogOfTheSameFileIsRecovered()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(path, 2);
    QTemporaryDir crash; // the two files as a crash leaves them
    const QString crashed = crash.filePath(QStringLiteral("tavro.db"));
    {
        RawSqlite running(path);
        running.keepLog();
        running.exec(QStringLiteral("insert into 高一01 (姓名) values ('甲'); insert into 高一01 (姓名) values ('乙')"));
        copyFile(path, crashed);
        copyFile(path + QStringLiteral("-wal"), crashed + QStringLiteral("-wal"));
    }
    QVERIFY(QFileInfo(crashed + QStringLiteral("-wal")).size() > 0);

    // Reading sees the logged saves and changes nothing.
    const auto before = folderSnapshot(crash.path());
    QCOMPARE(students(crashed), 4);
    QTemporaryDir reports;
    QCOMPARE(runAdmin({"check", "检查重名", "--db", crashed, "--dir", reports.path()}).status, 0);
    QCOMPARE(folderSnapshot(crash.path()), before);

    // Opening to write merges the log into the file, which then holds everything alone.
    auto writing = SqlDatabase::openSqlite(crashed, SqliteMode::ReadWrite);
    QTemporaryDir copied;
    copyFile(crashed, copied.filePath(QStringLiteral("tavro.db")));
    QCOMPARE(students(copied.filePath(QStringLiteral("tavro.db"))), 4);
    writing.reset();
    QVERIFY(!QFile::exists(crashed + QStringLiteral("-wal")));
    QVERIFY(!QFile::exists(crashed + QStringLiteral("-shm")));
    QCOMPARE(students(crashed), 4);
}

void TestLocalFileSafety::readOnlyFileAndFolderServeReadingCommands()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/tavro.db");
    makeSchoolFile(path, 3);
    QTemporaryDir reports;
    const auto before = folderSnapshot(folder);
    auto reading = [&](const QString &what) {
        const AdminCommandRun check = runAdmin({"check", "检查重名", "--db", path, "--dir", reports.path()});
        QVERIFY2(check.status == 0, qPrintable(what + check.err));
        const QString book = reports.filePath(what + QStringLiteral(".xlsx"));
        const AdminCommandRun exported = runAdmin({"export", "--into", book, "--db", path});
        QVERIFY2(exported.status == 0, qPrintable(what + exported.err));
        QVERIFY(QFile::exists(book));
        QCOMPARE(folderSnapshot(folder), before);
    };
    const auto writable = QFile::permissions(folder);
    reading(QStringLiteral("writable"));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    reading(QStringLiteral("read-only file"));
    QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    reading(QStringLiteral("read-only folder"));
    QFile::setPermissions(folder, writable);

    // While the entry window has the file open, a check reads through its log.
    QFile::setPermissions(path, writable);
    auto entry = SqlDatabase::openSqlite(path, SqliteMode::ReadWrite);
    insertStudent(*entry, kTable, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    QCOMPARE(runAdmin({"check", "检查重名", "--db", path, "--dir", reports.path()}).status, 0);
    QCOMPARE(students(path), 4);
}

void TestLocalFileSafety::fileAloneHoldsEveryConfirmedSave()
{
    TestEnv env;
    env.createClassTable(kTable);
    RecordSaver saver(*env.db, kTable, env.path(QStringLiteral("debug.txt")));
    for (int i = 0; i < 20; ++i)
        QVERIFY(saver.insertRecord(recordValues(QStringLiteral("学生%1").arg(i)), QStringLiteral("学生%1").arg(i),
                                   QString(), [](const QString &) { return true; }));
    {
        Transaction transaction(*env.db);
        insertStudent(*env.db, kTable, {{QStringLiteral("姓名"), QStringLiteral("甲")}});
        insertStudent(*env.db, kTable, {{QStringLiteral("姓名"), QStringLiteral("乙")}});
        transaction.commit();
    }
    // A copy of the file alone, taken while the connection is still open.
    QTemporaryDir stick;
    copyFile(env.path(QStringLiteral("tavro.db")), stick.filePath(QStringLiteral("tavro.db")));
    QCOMPARE(students(stick.filePath(QStringLiteral("tavro.db"))), 22);

    env.db.reset();
    QVERIFY(!QFile::exists(env.path(QStringLiteral("tavro.db-wal"))));
    QVERIFY(!QFile::exists(env.path(QStringLiteral("tavro.db-shm"))));
}

QTEST_GUILESS_MAIN(TestLocalFileSafety)
#include "tst_local_file_safety.moc"
