// The tavro executable itself: how its command line reaches the admin commands.
#include <QtTest>

#include "test_env.h"

namespace {

struct Finished
{
    int status = -1;
    QString out;
    QString err;
};

Finished runTavro(const QStringList &args, const QString &workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(TAVRO_EXECUTABLE), args);
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TestExecutable : public QObject
{
    Q_OBJECT

private slots:
    void helpListsTheCommands();
    void checkWritesItsReport();
    void missingDatabaseFailsOnStderr();
    void mistypedCommandIsAnsweredNotTheWindow();
};

void TestExecutable::helpListsTheCommands()
{
    QTemporaryDir dir;
    const Finished f = runTavro({QStringLiteral("--help")}, dir.path());
    QCOMPARE(f.status, 0);
    for (const char *command : {"tavro check", "tavro pad", "tavro merge", "tavro init-db"})
        QVERIFY2(f.out.contains(QLatin1String(command)), command);
}

void TestExecutable::checkWritesItsReport()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
    env.db.reset();
    // Chinese arguments pass through the process's locale into the command.
    const Finished f = runTavro({QStringLiteral("check"), QStringLiteral("检查重名"), QStringLiteral("--db"),
                                 env.path(QStringLiteral("tavro.db")), QStringLiteral("--dir"), env.dir.path()},
                                env.dir.path());
    QCOMPARE(f.status, 0);
    QFile report(env.path(QStringLiteral("check.txt")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QVERIFY(report.readAll().contains(QByteArray("\xd5\xc5\xc8\xfd"))); // 张三 in GBK
}

void TestExecutable::missingDatabaseFailsOnStderr()
{
    QTemporaryDir dir;
    const Finished f = runTavro({QStringLiteral("pad"), QStringLiteral("--db"), QStringLiteral("none.db")}, dir.path());
    QCOMPARE(f.status, 1);
    QVERIFY(!f.err.trimmed().isEmpty());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.db"))));
}

void TestExecutable::mistypedCommandIsAnsweredNotTheWindow()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.db.reset();
    const QString db = env.path(QStringLiteral("tavro.db"));
    // The window would wait for a class choice until the run is killed.
    Finished f = runTavro({QStringLiteral("chek"), QStringLiteral("录入数目"), QStringLiteral("--db"), db}, env.dir.path());
    QCOMPARE(f.status, 2);
    QVERIFY2(f.err.contains(QStringLiteral("chek")), qPrintable(f.err));
    f = runTavro({QStringLiteral("merge"), QStringLiteral("--dry-run"), QStringLiteral("--db"), db}, env.dir.path());
    QCOMPARE(f.status, 2);
    QVERIFY2(f.err.contains(QStringLiteral("--dry-run")), qPrintable(f.err));
    env.db = SqlDatabase::openSqlite(db, SqliteMode::ReadOnly);
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("合并表")));
}

QTEST_GUILESS_MAIN(TestExecutable)
#include "tst_executable.moc"
