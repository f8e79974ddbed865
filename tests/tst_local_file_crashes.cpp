// The local file under crashes and races: a crash's log always recovers,
// readers and backups hold SQLite's locks while writers run in other
// processes, the rotation and the restore never lose the file they just made
// or replace, a damaged backup is refused, and killed writes leave nothing
// behind for long.
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>

#include <sqlite3.h>

#include <QtTest>

#include "admin_command_run.h"
#include "app/database_connection.h"
#include "core/operations/template_tables.h"
#include "file_snapshot.h"
#include "platform/app_error.h"
#include "platform/database_backup.h"
#include "platform/sqlite_file_check.h"
#include "platform/transaction.h"
#include "raw_sqlite.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

const QString kTable = QStringLiteral("高一01");

// A database of this program with a class table of `rows` students, closed again.
void makeSchoolFile(const QString &path, int rows, int nameLength = 8)
{
    auto db = SqlDatabase::openSqlite(path, SqliteMode::Create);
    TemplateTables::create(*db);
    db->execute(QStringLiteral("Select * into 高一01 from Init2 where 1 <> 1"));
    Transaction transaction(*db);
    for (int i = 0; i < rows; ++i)
        insertStudent(*db, kTable, {{QStringLiteral("姓名"), QStringLiteral("学生%1").arg(i).leftJustified(nameLength, u'甲')}});
    transaction.commit();
}

// What SQLite itself says of a file: its integrity_check and a count, through
// a connection of its own (read-only, so nothing is changed).
struct Verdict
{
    QString integrity;
    qint64 rows = -1;
};

Verdict verdict(const QString &path, const QString &where = QStringLiteral("1 = 1"))
{
    Verdict v;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    auto one = [&](const QString &sql) {
        sqlite3_stmt *st = nullptr;
        QString value;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        else
            value = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
        return value;
    };
    v.integrity = one(QStringLiteral("pragma integrity_check"));
    bool ok = false;
    const qint64 rows = one(QStringLiteral("select count(*) from 高一01 where ") + where).toLongLong(&ok);
    v.rows = ok ? rows : -1;
    sqlite3_close_v2(db);
    return v;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The program itself, as a teacher or a cron job starts it.
QProcess *startTavro(const QStringList &args, QObject *parent)
{
    auto *p = new QProcess(parent);
    p->start(QStringLiteral(TAVRO_EXECUTABLE), args);
    return p;
}

struct Finished
{
    int status;
    QString out;
    QString err;
};

Finished finish(QProcess *p)
{
    p->waitForFinished(60000);
    return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1, QString::fromUtf8(p->readAllStandardOutput()),
            QString::fromUtf8(p->readAllStandardError())};
}

// A class list of `count` students named prefix-0, prefix-1, ...
QString classList(const QString &folder, const QString &prefix, int count)
{
    QByteArray csv = "姓名\n";
    for (int i = 0; i < count; ++i)
        csv += QStringLiteral("%1-%2\n").arg(prefix).arg(i).toUtf8();
    const QString path = folder + QLatin1Char('/') + prefix + QStringLiteral(".csv");
    writeBytes(path, csv);
    return path;
}

QStringList leftovers(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, {QStringLiteral(".tavro-*"), QStringLiteral("*-journal")}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

class TestLocalFileCrashes : public QObject
{
    Q_OBJECT

private slots:
    void checkpointCutOffByACrashRecovers();
    void backupsRaceWithWritersInOtherProcesses();
    void restoreRacesWithAnImport();
    void rotationKeepsTheBackupJustMade();
    void damagedBackupIsNotRestored();
    void killedWritesLeaveNothingForLong();
    void fullDiskRestoreLeavesEverythingAsItWas();
    void readingMakesNothingBesideTheFile();
};

void TestLocalFileCrashes::checkpointCutOffByACrashRecovers()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(path, 2);
    const QByteArray before = bytesOf(path);
    QByteArray log;
    {
        RawSqlite merging(path);
        merging.keepLog();
        QCOMPARE(merging.exec(QStringLiteral("create table 合并表 as select * from Init2 where 0; begin;")), QString());
        for (int i = 0; i < 1500; ++i)
            merging.exec(QStringLiteral("insert into 高一01 (姓名, 现住址) values ('新生%1', '%2')").arg(i).arg(QString(60, u'路')));
        QCOMPARE(merging.exec(QStringLiteral("commit")), QString());
        log = bytesOf(path + QStringLiteral("-wal"));
        QCOMPARE(merging.exec(QStringLiteral("pragma wal_checkpoint(passive)")), QString());
    }
    // A power cut while the checkpoint was writing: the first half of the
    // file's pages are new, the rest old; the log is whole.
    const QByteArray after = bytesOf(path);
    const qsizetype cut = (after.size() / 2 / 4096) * 4096;
    QTemporaryDir crash;
    const QString crashed = crash.filePath(QStringLiteral("tavro.db"));
    writeBytes(crashed, after.left(cut) + before.mid(cut));
    writeBytes(crashed + QStringLiteral("-wal"), log);
    {
        // The file alone is damaged: this is what the opening check once judged.
        const QString alone = QStringLiteral("file:%1?immutable=1").arg(crashed);
        QVERIFY(verdict(alone).integrity != QLatin1String("ok"));
    }

    QTemporaryDir reports;
    const AdminCommandRun check = runAdmin({"check", "检查重名", "--db", crashed, "--dir", reports.path()});
    QVERIFY2(check.status == 0, qPrintable(check.err));
    QCOMPARE(SqlDatabase::openSqlite(crashed, SqliteMode::ReadOnly)->query(QStringLiteral("select count(*) from 高一01")).text(0, 0),
             QStringLiteral("1502"));
    TestEnv env;
    QVERIFY(DatabaseConnection::openLocalFile(env.services, crash.path()) != nullptr);
    const AdminCommandRun merge = runAdmin({"merge", "--into", "合并表", "--replace", "--db", crashed});
    QVERIFY2(merge.status == 0, qPrintable(merge.err));
    const Verdict v = verdict(crashed);
    QCOMPARE(v.integrity, QStringLiteral("ok"));
    QCOMPARE(v.rows, 1502);
    QVERIFY(!QFile::exists(crashed + QStringLiteral("-wal")));
}

void TestLocalFileCrashes::backupsRaceWithWritersInOtherProcesses()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(db, 1500, 60);
    QTemporaryDir stick;
    for (int round = 0; round < 8; ++round) {
        // A merge rewrites much of the file while a backup copies it.
        QProcess *writer = startTavro({"merge", "--into", "合并表", "--replace", "--db", db}, this);
        QThread::msleep(30 * (round % 4));
        const QString copy = stick.filePath(QStringLiteral("%1.db").arg(round));
        QProcess *backup = startTavro({"backup", "--db", db, "--into", copy}, this);
        const Finished b = finish(backup);
        QCOMPARE(finish(writer).status, 0);
        if (b.status != 0) {
            QVERIFY(!QFile::exists(copy));
            continue;
        }
        QVERIFY(b.out.contains(QStringLiteral("已备份到")));
        const Verdict v = verdict(copy);
        QVERIFY2(v.integrity == QLatin1String("ok"), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(v.integrity)));
        QCOMPARE(v.rows, 1500);
    }
    QCOMPARE(verdict(db).integrity, QStringLiteral("ok"));
}

void TestLocalFileCrashes::restoreRacesWithAnImport()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(db, 5);
    const QString good = dir.filePath(QStringLiteral("good.db"));
    QCOMPARE(runAdmin({"backup", "--db", db, "--into", good}).status, 0);
    for (int round = 0; round < 6; ++round) {
        const QString prefix = QStringLiteral("R%1").arg(round);
        const QString list = classList(dir.path(), prefix, 50);
        const auto backupsBefore = QDir(DatabaseBackup::folderFor(db)).entryList(QDir::Files);
        QProcess *import = startTavro({"import", "--table", kTable, "--from", list, "--db", db}, this);
        QThread::msleep(40 * (round % 3));
        QProcess *restore = startTavro({"restore", "--from", good, "--db", db}, this);
        const Finished r = finish(restore);
        const Finished i = finish(import);
        QStringList saved = QDir(DatabaseBackup::folderFor(db)).entryList(QDir::Files);
        for (const QString &name : backupsBefore)
            saved.removeOne(name);
        QVERIFY2(saved.size() == (r.status == 0 ? 1 : 0), qPrintable(QString::number(r.status) + r.err));
        const QString where = QStringLiteral("姓名 like '%1-%'").arg(prefix);
        qint64 imported = verdict(db, where).rows;
        if (r.status == 0) {
            const Verdict copy = verdict(DatabaseBackup::folderFor(db) + QLatin1Char('/') + saved.front(), where);
            QCOMPARE(copy.integrity, QStringLiteral("ok"));
            imported += copy.rows;
        }
        // An import that said so has its rows in the file or in the copy the
        // restore kept of it.
        if (i.out.contains(QStringLiteral("已导入 50 行")))
            QVERIFY2(imported == 50, qPrintable(QStringLiteral("round %1: %2 rows").arg(round).arg(imported)));
        QCOMPARE(verdict(db).integrity, QStringLiteral("ok"));
    }
}

void TestLocalFileCrashes::rotationKeepsTheBackupJustMade()
{
    TestEnv env(QDateTime(QDate(2024, 9, 2), QTime(8, 0)));
    env.createClassTable(kTable);
    insertStudent(*env.db, kTable, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    env.db.reset();
    const QString db = env.path(QStringLiteral("tavro.db"));
    const QString folder = DatabaseBackup::folderFor(db);
    QVERIFY(QDir().mkpath(folder));
    // Thirty backups dated in a year the clock once ran ahead into.
    for (int day = 0; day < 30; ++day)
        QVERIFY(QFile::copy(db, folder + QDate(2031, 1, 1).addDays(day).toString(QStringLiteral("'/tavro-'yyyyMMdd'-120000.db'"))));

    const AdminCommandRun backup = runAdmin({"backup", "--db", db});
    QCOMPARE(backup.status, 0);
    const QString made = backup.out.section(QStringLiteral("已备份到 "), 1).trimmed();
    QVERIFY2(QFile::exists(made), qPrintable(backup.out));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 30);

    const AdminCommandRun restore = runAdmin({"restore", "--from", made, "--db", db});
    QVERIFY2(restore.status == 0, qPrintable(restore.err));
    const QString saved = restore.out.section(QStringLiteral("原来的文件已备份为 "), 1).trimmed();
    QVERIFY2(QFile::exists(saved), qPrintable(restore.out));
    QCOMPARE(verdict(saved).rows, 1);
    QCOMPARE(verdict(db).rows, 1);
}

void TestLocalFileCrashes::damagedBackupIsNotRestored()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(db, 400, 60);
    const QString stick = dir.filePath(QStringLiteral("stick.db"));
    QCOMPARE(runAdmin({"backup", "--db", db, "--into", stick}).status, 0);
    // A bad sector: one page of the class table reads as zeros.
    QByteArray bytes = bytesOf(stick);
    const qsizetype page = (bytes.size() / 4096 - 3) * 4096;
    bytes.replace(page, 4096, QByteArray(4096, '\0'));
    writeBytes(stick, bytes);

    const auto before = folderSnapshot(dir.path());
    const AdminCommandRun r = runAdmin({"restore", "--from", stick, "--db", db});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("已损坏")), qPrintable(r.err));
    QCOMPARE(folderSnapshot(dir.path()), before);
}

void TestLocalFileCrashes::killedWritesLeaveNothingForLong()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(db, 3000, 60);
    const QString good = dir.filePath(QStringLiteral("good.db"));
    QCOMPARE(runAdmin({"backup", "--db", db, "--into", good}).status, 0);
    for (int round = 0; round < 6; ++round) {
        QProcess *p = startTavro(round % 2 ? QStringList{"restore", "--from", good, "--db", db}
                                           : QStringList{"backup", "--db", db},
                                 this);
        QVERIFY(p->waitForStarted());
        QThread::msleep(60 + 25 * round);
        ::kill(pid_t(p->processId()), SIGKILL);
        p->waitForFinished();
    }
    // A temporary file another process is writing right now is not touched.
    const QString live = dir.filePath(QStringLiteral(".tavro-00000000000000aa.tmp"));
    writeBytes(live, "half written");
    QProcess locker;
    locker.start(QStringLiteral("flock"), {live, QStringLiteral("-c"), QStringLiteral("echo locked; sleep 30")});
    QVERIFY(locker.waitForReadyRead(10000));
    const QString stale = DatabaseBackup::folderFor(db) + QStringLiteral("/.tavro-00000000000000bb.tmp");
    QVERIFY(QDir().mkpath(DatabaseBackup::folderFor(db)));
    writeBytes(stale, "left by a kill");
    writeBytes(stale + QStringLiteral("-journal"), "its journal");

    QTemporaryDir reports;
    const AdminCommandRun check = runAdmin({"check", "检查重名", "--db", db, "--dir", reports.path()});
    QVERIFY2(check.status == 0, qPrintable(check.err));
    const QStringList left = leftovers(dir.path());
    QVERIFY2(left == QStringList{live}, qPrintable(left.join(QLatin1Char(' '))));
    locker.kill();
    locker.waitForFinished();
    QCOMPARE(verdict(db).integrity, QStringLiteral("ok"));
    QVERIFY(verdict(db).rows == 3000 || verdict(db).rows == verdict(good).rows);
}

void TestLocalFileCrashes::fullDiskRestoreLeavesEverythingAsItWas()
{
    QTemporaryDir mount;
    if (::mount("tavro-test", mount.path().toUtf8().constData(), "tmpfs", 0, "size=600k") != 0)
        QSKIP("a small tmpfs cannot be mounted here (needs root)");
    auto unmount = qScopeGuard([&] { ::umount(mount.path().toUtf8().constData()); });
    const QString db = mount.filePath(QStringLiteral("tavro.db"));
    makeSchoolFile(db, 3);
    QVERIFY(QDir().mkpath(DatabaseBackup::folderFor(db)));
    QTemporaryDir elsewhere;
    const QString big = elsewhere.filePath(QStringLiteral("big.db"));
    makeSchoolFile(big, 3000, 60); // about 1 MB: more than the disk holds

    const auto before = QDir(mount.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const AdminCommandRun r = runAdmin({"restore", "--from", big, "--db", db});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("保持原样")), qPrintable(r.err));
    // No journal, temporary file or safety copy stays; the database is whole, as it was.
    QCOMPARE(QDir(mount.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QVERIFY(QDir(DatabaseBackup::folderFor(db)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    const Verdict v = verdict(db);
    QCOMPARE(v.integrity, QStringLiteral("ok"));
    QCOMPARE(v.rows, 3);
}

void TestLocalFileCrashes::readingMakesNothingBesideTheFile()
{
    // A file left in write-ahead-log mode (as earlier versions left every
    // file), read-only and writable, in a writable folder.
    for (bool readOnly : {true, false}) {
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("tavro.db"));
        {
            RawSqlite file(db);
            file.exec(QStringLiteral("pragma journal_mode = wal; create table Init2 (id integer primary key, 姓名 text); "
                                     "create table 高一01 (id integer primary key, 姓名 text); insert into 高一01 (姓名) values ('甲')"));
        }
        QVERIFY(!QFile::exists(db + QStringLiteral("-wal")));
        if (readOnly)
            QVERIFY(QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QTemporaryDir reports;
        for (const QStringList &args : {QStringList{"check", "检查重名", "--db", db, "--dir", reports.path()},
                                        QStringList{"backup", "--db", db, "--into", reports.filePath(QStringLiteral("b.db"))}}) {
            const AdminCommandRun r = runAdmin(args);
            QVERIFY2(r.status == 0, qPrintable(r.err));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"tavro.db"});
        QCOMPARE(verdict(reports.filePath(QStringLiteral("b.db"))).rows, 1);
    }
}

QTEST_GUILESS_MAIN(TestLocalFileCrashes)
#include "tst_local_file_crashes.moc"
