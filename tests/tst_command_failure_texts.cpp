// Failures of a command or of the server say in Chinese what failed, that
// nothing was written and what to do, with the engine's own text last: a full
// disk during an import, a server gone midway, a login without the right to
// create tables.
#include <QtTest>

#include <unistd.h>

#include "admin_command_run.h"
#include "cli/init_db_command.h"
#include "platform/app_error.h"
#include "test_env.h"

namespace {

// A small tmpfs of its own (the tests run as root on the build machine);
// unmounted when the test ends.
struct SmallDisk
{
    explicit SmallDisk(qint64 bytes)
    {
        if (geteuid() == 0)
            mounted = QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", QStringLiteral("size=%1").arg(bytes),
                                                                  "tmpfs", dir.path()})
                      == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {dir.path()});
    }
    QTemporaryDir dir;
    bool mounted = false;
};

QStringList lines(const QString &text)
{
    return text.trimmed().split(QLatin1Char('\n'));
}

} // namespace

class TestCommandFailureTexts : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskDuringImport();
    void serverGoneMidway();
    void serverGoneDuringAnImport();
    void initDbWithoutTheRightToCreateTables();
};

void TestCommandFailureTexts::fullDiskDuringImport()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    env.db.reset();
    const QString source = env.path(QStringLiteral("tavro.db"));
    // Room for the file and its -shm, not for 2,000 long addresses.
    SmallDisk disk((QFileInfo(source).size() / 4096 + 24) * 4096);
    if (!disk.mounted)
        QSKIP("mounting a tmpfs needs root");
    const QString db = disk.dir.filePath(QStringLiteral("tavro.db"));
    QVERIFY(QFile::copy(source, db));

    QFile csv(env.path(QStringLiteral("名单.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write(QStringLiteral("姓名,家庭地址\n").toUtf8());
    const QString address = QStringLiteral("广东省佛山市顺德区大良街道").repeated(5); // within the form's 80 characters
    for (int i = 0; i < 2000; ++i)
        csv.write(QStringLiteral("%1%2,%3%4\n").arg(QChar(0x4e00 + i / 60), QChar(0x4e00 + i % 60), address).arg(i).toUtf8());
    csv.close();

    const AdminCommandRun r = runAdmin({"import", "--table", "高一01", "--from", csv.fileName(), "--db", db});
    QCOMPARE(r.status, 1);
    const QStringList said = lines(r.err);
    QVERIFY2(said.front().contains(QStringLiteral("导入没有完成")) && said.front().contains(QStringLiteral("没有写入")),
             qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("磁盘已满")), qPrintable(r.err));
    QCOMPARE(said.last(), QStringLiteral("database or disk is full"));
    QVERIFY2(!r.out.contains(QStringLiteral("已导入")), qPrintable(r.out));
    QVERIFY2(lines(r.out).last().startsWith(QStringLiteral("检查结果：可导入 2000 行")), qPrintable(r.out));

    const auto reopened = SqlDatabase::openSqlite(db, SqliteMode::ReadOnly);
    QCOMPARE(reopened->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("0"));
}

void TestCommandFailureTexts::serverGoneMidway()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.createClassTable(QStringLiteral("高一01"));
    const QString pid = env.db->query(QStringLiteral("select pg_backend_pid()")).text(0, 0);
    // As a server's fast shutdown does to every session; then no new ones for a while.
    env.serverAdmin(QStringLiteral("alter database %1 allow_connections false").arg(env.serverSettings.database));
    env.serverAdmin(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
            QFAIL("a statement on a lost connection succeeded");
        } catch (const DatabaseError &e) {
            const QStringList said = lines(e.text());
            QVERIFY2(said.size() >= 2 && said.front().contains(QStringLiteral("连接断开")), qPrintable(e.text()));
            QVERIFY2(said.at(1).contains(QLatin1String("connection")), qPrintable(e.text()));
        }
    }
    env.serverAdmin(QStringLiteral("alter database %1 allow_connections true").arg(env.serverSettings.database));
    // A refusal inside a transaction is not taken for a lost server.
    env.db->beginTransaction();
    try {
        env.db->execute(QStringLiteral("insert into 没有的表 (姓名) values ('张三')"));
    } catch (const DatabaseError &e) {
        QVERIFY2(!e.text().contains(QStringLiteral("连接断开")), qPrintable(e.text()));
    }
    env.db->rollbackTransaction();
    QCOMPARE(env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')")), 1);
}

void TestCommandFailureTexts::serverGoneDuringAnImport()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.createClassTable(QStringLiteral("高一01"));
    // The session ends itself at the third row, as a server stopped midway ends it.
    env.db->execute(QStringLiteral("create function gone() returns trigger language plpgsql as $$ begin "
                                   "if new.姓名 = '丙' then perform pg_terminate_backend(pg_backend_pid()); end if; "
                                   "return new; end $$"));
    env.db->execute(QStringLiteral("create trigger gone before insert on 高一01 for each row execute function gone()"));
    QFile csv(env.path(QStringLiteral("名单.csv")));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write(QStringLiteral("姓名\n甲\n乙\n丙\n丁\n").toUtf8());
    csv.close();
    env.writeConfigIni();

    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int status = runAdminCommand({"import", "--table", "高一01", "--from", csv.fileName()}, outStream, errStream,
                                       env.dir.path());
    errStream.flush();
    QCOMPARE(status, 1);
    const QStringList said = lines(err);
    QVERIFY2(said.front().contains(QStringLiteral("导入没有完成")), qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("连接断开")), qPrintable(err));
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("0"));
}

void TestCommandFailureTexts::initDbWithoutTheRightToCreateTables()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.db->execute(QStringLiteral("drop table Init2"));
    env.db->execute(QStringLiteral("drop table Init1"));
    // A login that may connect but not create tables in the schema.
    const QString role = QStringLiteral("tavro_reader_%1").arg(QCoreApplication::applicationPid());
    env.serverAdmin(QStringLiteral("drop role if exists %1").arg(role));
    env.serverAdmin(QStringLiteral("create role %1 login password 'pw'").arg(role));
    env.db->execute(QStringLiteral("revoke create on schema public from public"));
    env.db->execute(QStringLiteral("grant usage on schema public to %1").arg(role));
    QFile ini(env.path(QStringLiteral("config.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[Settings]\nEngine=PostgreSQL\nServer=%1\nDatabase=%2\nUser=%3\nPassword=pw\n")
                  .arg(env.serverSettings.server, env.serverSettings.database, role)
                  .toUtf8());
    ini.close();

    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int status = InitDbCommand::run(ini.fileName(), outStream, errStream);
    errStream.flush();
    env.db->execute(QStringLiteral("drop owned by %1").arg(role));
    env.serverAdmin(QStringLiteral("drop role %1").arg(role));
    QCOMPARE(status, 1);
    const QStringList said = lines(err);
    QVERIFY2(said.size() == 3, qPrintable(err));
    QVERIFY2(said.at(0).contains(QStringLiteral("没有任何改动")), qPrintable(err));
    QVERIFY2(said.at(1).contains(QStringLiteral("权限")), qPrintable(err));
    QVERIFY2(said.at(2).contains(QLatin1String("permission denied")), qPrintable(err));
    QVERIFY(env.db->tableNames().isEmpty());
}

QTEST_GUILESS_MAIN(TestCommandFailureTexts)
#include "tst_command_failure_texts.moc"
