// The pupils' data is made readable by its owner only, whatever the umask:
// the database and its logs, backups, exports, check.txt; what exists keeps its mode.
#include <QtTest>

#include <sys/stat.h>

#include "cli/command_line.h"
#include "core/operations/print_files.h"
#include "core/operations/template_tables.h"
#include "platform/atomic_file.h"
#include "platform/owner_only.h"
#include "platform/sql_database.h"
#include "test_env.h"

namespace {

unsigned modeOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 0777;
}

int run(const QStringList &args, const QString &dir)
{
    QString text;
    QTextStream out(&text);
    QTextStream err(&text);
    const int status = runAdminCommand(args, out, err, dir);
    out.flush();
    err.flush();
    if (status != 0)
        qWarning().noquote() << args.join(QLatin1Char(' ')) << text;
    return status;
}

} // namespace

class TestOwnerOnlyFiles : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ::umask(022); }

    void newFilesAreTheOwnersOnly_data()
    {
        QTest::addColumn<unsigned>("mask");
        QTest::newRow("umask 022") << 022u;
        QTest::newRow("umask 000") << 000u;
    }
    void newFilesAreTheOwnersOnly()
    {
        QFETCH(unsigned, mask);
        ::umask(mask);
        TestEnv env;
        const QString folder = env.path(QStringLiteral("学校"));
        QVERIFY(QDir().mkpath(folder));
        const QString db = folder + QStringLiteral("/tavro.db");
        {
            // A new database as the program makes it; its log beside it takes the file's mode.
            const auto open = SqlDatabase::openSqlite(db, SqliteMode::Create);
            TemplateTables::create(*open);
            QCOMPARE(modeOf(db), 0600u);
            open->execute(QStringLiteral("create table 高一01 as select * from Init2"));
            QVERIFY(QFileInfo::exists(db + QStringLiteral("-wal")));
            QCOMPARE(modeOf(db + QStringLiteral("-wal")), 0600u);
            QCOMPARE(modeOf(db + QStringLiteral("-shm")), 0600u);
        }
        QCOMPARE(run({QStringLiteral("backup"), QStringLiteral("--db"), db}, folder), 0);
        const QString backups = folder + QStringLiteral("/备份");
        QCOMPARE(modeOf(backups), 0700u);
        const QStringList made = QDir(backups).entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        QCOMPARE(modeOf(backups + QLatin1Char('/') + made.front()), 0600u);

        QCOMPARE(run({QStringLiteral("check"), QStringLiteral("录入数目"), QStringLiteral("--db"), db,
                      QStringLiteral("--dir"), folder},
                     folder),
                 0);
        QCOMPARE(modeOf(folder + QStringLiteral("/check.txt")), 0600u);

        // The export folder of the window's exports, and an export's file.
        Services services = env.services;
        services.programDir = folder;
        const QString exportFile = PrintFiles::newOutputPath(services, QStringLiteral("导出表格"));
        QCOMPARE(modeOf(QFileInfo(exportFile).absolutePath()), 0700u);
        QCOMPARE(run({QStringLiteral("export"), QStringLiteral("--into"), exportFile, QStringLiteral("--db"), db},
                     folder),
                 0);
        QCOMPARE(modeOf(exportFile), 0600u);
    }

    void anExistingFileKeepsItsMode()
    {
        ::umask(000);
        QTemporaryDir dir;
        const QString shared = dir.filePath(QStringLiteral("check.txt"));
        AtomicFile::write(shared, "old");
        QCOMPARE(modeOf(shared), 0600u);
        // The school opened it to a colleague on purpose: a rewrite keeps that.
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), 0644) == 0);
        AtomicFile::write(shared, "new");
        QCOMPARE(modeOf(shared), 0644u);
        // So does a folder; the new ones made inside it are the owner's.
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        QVERIFY(OwnerOnly::makeFolder(dir.filePath(QStringLiteral("导出/2026"))));
        QCOMPARE(modeOf(dir.path()), 0755u);
        QCOMPARE(modeOf(dir.filePath(QStringLiteral("导出"))), 0700u);
        QCOMPARE(modeOf(dir.filePath(QStringLiteral("导出/2026"))), 0700u);
    }
};

QTEST_GUILESS_MAIN(TestOwnerOnlyFiles)
#include "tst_owner_only_files.moc"
