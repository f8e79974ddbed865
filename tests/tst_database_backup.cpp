// Backups of the local file: once a day at start-up (before the class setup
// writes), the newest 30 kept, a failure never blocking the entry; the backup
// and restore commands, each refusal leaving every file as it was.
#include <QtTest>

#include "admin_command_run.h"
#include "core/operations/daily_backup.h"
#include "entry/entry_form.h"
#include "file_snapshot.h"
#include "platform/database_backup.h"
#include "raw_sqlite.h"
#include "shell_run.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

using Run = ShellRun;

QStringList backups(const QString &dbPath)
{
    return QDir(DatabaseBackup::folderFor(dbPath)).entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name);
}

int rowsOf(const QString &path, const QString &table)
{
    return SqlDatabase::openSqlite(path, SqliteMode::ReadOnly)->query(QStringLiteral("select count(*) from ") + table).text(0, 0).toInt();
}

void addStudents(Database &db, int count)
{
    for (int i = 0; i < count; ++i)
        insertStudent(db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("学生%1").arg(i)}});
}

} // namespace

class TestDatabaseBackup : public QObject
{
    Q_OBJECT

private slots:
    void firstStartOfEachDayBacksUp();
    void startUpBacksUpBeforeTheClassTableIsMade();
    void newestThirtyAreKept();
    void failedBackupDoesNotStopTheEntry();
    void backupCommand();
    void backupRefusals();
    void restoreReplacesAndKeepsTheOldFile();
    void restoreRefusals();
    void restoreRefusedWhileAnotherProgramHoldsTheFile();
};

void TestDatabaseBackup::firstStartOfEachDayBacksUp()
{
    TestEnv env(QDateTime(QDate(2024, 9, 2), QTime(7, 58, 3)));
    env.createClassTable(QStringLiteral("高一01"));
    addStudents(*env.db, 3);
    const QString db = env.path(QStringLiteral("tavro.db"));
    QVERIFY(DailyBackup::run(env.clock, *env.db).isEmpty());
    QCOMPARE(backups(db), QStringList{"tavro-20240902-075803.db"});
    QCOMPARE(rowsOf(DatabaseBackup::folderFor(db) + QStringLiteral("/tavro-20240902-075803.db"), QStringLiteral("高一01")), 3);

    // Later the same day: nothing more. The next day: one more.
    env.clock = FixedClock(QDateTime(QDate(2024, 9, 2), QTime(13, 30)));
    QVERIFY(DailyBackup::run(env.clock, *env.db).isEmpty());
    QCOMPARE(backups(db).size(), 1);
    env.clock = FixedClock(QDateTime(QDate(2024, 9, 3), QTime(8, 0)));
    QVERIFY(DailyBackup::run(env.clock, *env.db).isEmpty());
    QCOMPARE(backups(db), QStringList({"tavro-20240902-075803.db", "tavro-20240903-080000.db"}));
    QVERIFY(env.messages.shown.isEmpty());
    // The backup folder holds only the backups: no temporary file, no log.
    QCOMPARE(QDir(DatabaseBackup::folderFor(db)).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestDatabaseBackup::startUpBacksUpBeforeTheClassTableIsMade()
{
    TestEnv env(QDateTime(QDate(2024, 9, 2), QTime(8, 0)));
    const QString db = env.path(QStringLiteral("tavro.db"));
    for (int start = 0; start < 2; ++start) {
        Run run(env, env.dir.path());
        run.choose(0, start); // 高一01, then 高一02
        QCOMPARE(run.ends.size(), 0);
    }
    QCOMPARE(backups(db).size(), 1);
    const auto backup = SqlDatabase::openSqlite(DatabaseBackup::folderFor(db) + QLatin1Char('/') + backups(db).front(),
                                                SqliteMode::ReadOnly);
    QCOMPARE(backup->tableNames(), QStringList({"Init2", "Init1"}));
}

void TestDatabaseBackup::newestThirtyAreKept()
{
    TestEnv env(QDateTime(QDate(2024, 12, 1), QTime(9, 0)));
    const QString db = env.path(QStringLiteral("tavro.db"));
    const QString folder = DatabaseBackup::folderFor(db);
    QVERIFY(QDir().mkpath(folder));
    QStringList names;
    for (int day = 0; day < 33; ++day) // 1 October to 2 November
        names << QDate(2024, 10, 1).addDays(day).toString(QStringLiteral("'tavro-'yyyyMMdd'-120000.db'"));
    names << QStringLiteral("tavro-20241001-120000-2.db");
    for (const QString &name : names + QStringList{"说明.txt", "tavro-old.db"}) {
        QFile f(folder + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(DailyBackup::run(env.clock, *env.db).isEmpty());
    const QStringList kept = backups(db);
    QCOMPARE(kept.size(), 31); // 30 backups and the file not named like one
    QVERIFY(kept.contains(QStringLiteral("tavro-20241201-090000.db")));
    QVERIFY(kept.contains(QStringLiteral("tavro-old.db")));
    // The oldest go first: 1 October (both), then 2, 3 and 4 October.
    for (const char *gone : {"tavro-20241001-120000.db", "tavro-20241001-120000-2.db", "tavro-20241002-120000.db",
                             "tavro-20241003-120000.db", "tavro-20241004-120000.db"})
        QVERIFY2(!kept.contains(QString::fromLatin1(gone)), gone);
    QVERIFY(kept.contains(QStringLiteral("tavro-20241005-120000.db")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/说明.txt")));
}

void TestDatabaseBackup::failedBackupDoesNotStopTheEntry()
{
    TestEnv env;
    // A file where the backup folder should be: no backup can be written.
    QFile blocker(env.path(QStringLiteral("备份")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Run run(env, env.dir.path());
    run.choose(0, 0);
    QCOMPARE(run.ends.size(), 0);
    QVERIFY(run.shell.form().isVisible());
    QVERIFY(env.messages.lastText().startsWith(QStringLiteral("今天的自动备份没有做成，录入可以照常进行。")));
    QVERIFY(run.shell.setup().database()->tableNames().contains(QStringLiteral("高一01")));
}

void TestDatabaseBackup::backupCommand()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    addStudents(*env.db, 4);
    const QString db = env.path(QStringLiteral("tavro.db"));

    AdminCommandRun r = runAdmin({"backup", "--db", db});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(backups(db).size(), 1);
    QVERIFY(r.out.contains(QDir::toNativeSeparators(DatabaseBackup::folderFor(db))));
    QVERIFY(isAdminCommand({"backup"}) && isAdminCommand({"restore"}));
    const QString help = runAdmin({"--help"}).out;
    QVERIFY(help.contains(QStringLiteral("tavro backup")) && help.contains(QStringLiteral("tavro restore --from")));

    QTemporaryDir stick;
    const QString copy = stick.filePath(QStringLiteral("周五.db"));
    r = runAdmin({"backup", "--db", db, "--into", copy});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QCOMPARE(rowsOf(copy, QStringLiteral("高一01")), 4);
    // A backup is a file complete by itself: no log beside it.
    QCOMPARE(QDir(stick.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"周五.db"});
}

void TestDatabaseBackup::backupRefusals()
{
    TestEnv env;
    const QString db = env.path(QStringLiteral("tavro.db"));
    QFile existing(env.path(QStringLiteral("已有.db")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    QFile junk(env.path(QStringLiteral("junk.db")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a database");
    junk.close();
    const auto before = folderSnapshot(env.dir.path());
    const QList<QStringList> refused = {
        {"backup", "--db", db, "--into", env.path(QStringLiteral("已有.db"))},
        {"backup", "--db", db, "--into", db},
        {"backup", "--db", db, "--into", db + QStringLiteral("-wal")},
        {"backup", "--db", env.path(QStringLiteral("junk.db"))},
    };
    for (const QStringList &args : refused) {
        const AdminCommandRun r = runAdmin(args);
        QVERIFY2(r.status == 1, qPrintable(args.join(' ')));
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(folderSnapshot(env.dir.path()), before);
    }
    QVERIFY(!QFileInfo::exists(DatabaseBackup::folderFor(db)));
}

void TestDatabaseBackup::restoreReplacesAndKeepsTheOldFile()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    addStudents(*env.db, 2);
    const QString db = env.path(QStringLiteral("tavro.db"));
    QTemporaryDir elsewhere;
    const QString morning = elsewhere.filePath(QStringLiteral("morning.db"));
    QCOMPARE(runAdmin({"backup", "--db", db, "--into", morning}).status, 0);
    addStudents(*env.db, 5);
    env.db.reset();

    // A log left by another state of the file lies beside it.
    {
        RawSqlite other(elsewhere.filePath(QStringLiteral("other.db")));
        other.keepLog();
        other.exec(QStringLiteral("create table t (x); insert into t values (1)"));
        QVERIFY(QFile::copy(elsewhere.filePath(QStringLiteral("other.db-wal")), db + QStringLiteral("-wal")));
    }
    const AdminCommandRun r = runAdmin({"restore", "--from", morning, "--db", db});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(!QFile::exists(db + QStringLiteral("-wal")));
    QCOMPARE(rowsOf(db, QStringLiteral("高一01")), 2);
    // The file as it was before is in the backup folder, whole.
    QCOMPARE(backups(db).size(), 1);
    const QString saved = DatabaseBackup::folderFor(db) + QLatin1Char('/') + backups(db).front();
    QCOMPARE(rowsOf(saved, QStringLiteral("高一01")), 7);
    QVERIFY(r.out.contains(QDir::toNativeSeparators(saved)));
    // The restored file works for entry again.
    auto reopened = SqlDatabase::openSqlite(db, SqliteMode::ReadWrite);
    addStudents(*reopened, 1);
    QCOMPARE(reopened->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("3"));
}

void TestDatabaseBackup::restoreRefusals()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    addStudents(*env.db, 2);
    const QString db = env.path(QStringLiteral("tavro.db"));
    const QString good = env.path(QStringLiteral("good.db"));
    QCOMPARE(runAdmin({"backup", "--db", db, "--into", good}).status, 0);
    QFile junk(env.path(QStringLiteral("junk.db")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a database");
    junk.close();
    {
        RawSqlite other(env.path(QStringLiteral("other.db")));
        other.exec(QStringLiteral("create table t (x)"));
    }
    const QString text = env.path(QStringLiteral("notes.txt"));
    QFile notes(text);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("class list");
    notes.close();

    auto refusedUntouched = [&](const QStringList &args, int status = 1) {
        const auto before = folderSnapshot(env.dir.path());
        const AdminCommandRun r = runAdmin(args);
        QVERIFY2(r.status == status, qPrintable(args.join(' ') + r.out));
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(folderSnapshot(env.dir.path()), before);
    };
    // The file is open (the entry window is running).
    refusedUntouched({"restore", "--from", good, "--db", db});
    env.db.reset();
    refusedUntouched({"restore", "--from", env.path(QStringLiteral("junk.db")), "--db", db});
    refusedUntouched({"restore", "--from", env.path(QStringLiteral("other.db")), "--db", db});
    refusedUntouched({"restore", "--from", db, "--db", db});
    refusedUntouched({"restore", "--from", good, "--db", text});
    refusedUntouched({"restore", "--db", db}, 2);
    QVERIFY(!QFileInfo::exists(DatabaseBackup::folderFor(db)));
}

void TestDatabaseBackup::restoreRefusedWhileAnotherProgramHoldsTheFile()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    const QString db = env.path(QStringLiteral("tavro.db"));
    const QString good = env.path(QStringLiteral("good.db"));
    QCOMPARE(runAdmin({"backup", "--db", db, "--into", good}).status, 0);
    env.db.reset();

    // Another process holds the file open, as the entry window does.
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), db});
    QVERIFY(holder.waitForReadyRead(30000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("ready"));
    const auto before = folderSnapshot(env.dir.path());
    const AdminCommandRun r = runAdmin({"restore", "--from", good, "--db", db});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("正在使用")), qPrintable(r.err));
    QCOMPARE(folderSnapshot(env.dir.path()), before);
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(runAdmin({"restore", "--from", good, "--db", db}).status, 0);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--hold")) {
        // Holder mode: keeps the file open until stdin closes.
        const auto db = SqlDatabase::openSqlite(args.at(2), SqliteMode::ReadWrite);
        QTextStream(stdout) << "ready" << Qt::endl;
        QTextStream(stdin).readAll();
        return 0;
    }
    TestDatabaseBackup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_database_backup.moc"
