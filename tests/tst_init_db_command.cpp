// "tavro init-db": preparing an empty server database with Init2 and Init1.
// The server cases are skipped when TAVRO_TEST_PG is not set.
#include <QtTest>

#include "app/database_connection.h"
#include "cli/init_db_command.h"
#include "test_env.h"

class TestInitDbCommand : public QObject
{
    Q_OBJECT

private slots:
    void emptyDatabaseGetsTheTemplates();
    void databaseWithTemplatesIsLeftAlone();
    void eitherTemplateAloneIsEnoughToRefuse();
    void unreachableServerFails();
};

namespace {

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run initDb(const QString &configIni)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = InitDbCommand::run(configIni, out, err);
    out.flush();
    err.flush();
    return r;
}

// A test database emptied of the templates TestEnv puts there.
void emptyDatabase(TestEnv &env)
{
    env.db->execute(QStringLiteral("drop table Init2"));
    env.db->execute(QStringLiteral("drop table Init1"));
    QVERIFY(env.db->tableNames().isEmpty());
}

} // namespace

void TestInitDbCommand::emptyDatabaseGetsTheTemplates()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    emptyDatabase(env);
    const Run r = initDb(env.writeConfigIni());
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains(env.serverSettings.database));
    QVERIFY(r.err.isEmpty());
    // What the program then does with the database works.
    auto db = DatabaseConnection::openServer(env.writeConfigIni());
    QVERIFY(db);
    QCOMPARE(db->tableNames(), QStringList({"Init2", "Init1"}));
    QCOMPARE(db->query(QStringLiteral("select * from Init2 where 1 <> 1")).columnCount(), 48);
    QCOMPARE(db->query(QStringLiteral("select * from Init1 where 1 <> 1")).columnCount(), 72);
    db->execute(QStringLiteral("Select * into 高一01 from Init2 where 1 <> 1"));
    db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
    QCOMPARE(db->query(QStringLiteral("select id from 高一01")).text(0, 0), QStringLiteral("1"));
}

void TestInitDbCommand::databaseWithTemplatesIsLeftAlone()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.db->execute(QStringLiteral("insert into Init2 (姓名) values ('模板行')"));
    const Run r = initDb(env.writeConfigIni());
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains(QStringLiteral("未作任何改动")));
    QCOMPARE(env.db->query(QStringLiteral("select 姓名 from Init2")).text(0, 0), QStringLiteral("模板行"));
}

void TestInitDbCommand::eitherTemplateAloneIsEnoughToRefuse()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.db->execute(QStringLiteral("drop table Init2"));
    QCOMPARE(initDb(env.writeConfigIni()).code, 1);
    QCOMPARE(env.db->tableNames(), QStringList({"Init1"}));
    env.db->execute(QStringLiteral("drop table Init1"));
    env.db->execute(QStringLiteral("create table Init2 (x text)"));
    QCOMPARE(initDb(env.writeConfigIni()).code, 1);
    QCOMPARE(env.db->query(QStringLiteral("select * from Init2")).columns, QStringList({"x"}));
}

void TestInitDbCommand::unreachableServerFails()
{
    QTemporaryDir dir;
    const Run missing = initDb(dir.filePath(QStringLiteral("config.ini")));
    QCOMPARE(missing.code, 1);
    QVERIFY(missing.err.startsWith(DatabaseConnection::failureMessage()));
    QFile ini(dir.filePath(QStringLiteral("config.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    // Port 1 of this machine: nothing listens there.
    ini.write("[Settings]\nEngine=PostgreSQL\nServer=127.0.0.1:1\nDatabase=school\n");
    ini.close();
    const Run refused = initDb(dir.filePath(QStringLiteral("config.ini")));
    QCOMPARE(refused.code, 1);
    QVERIFY(refused.err.startsWith(DatabaseConnection::failureMessage()));
    QVERIFY(refused.err.size() > DatabaseConnection::failureMessage().size() + 2);
}

QTEST_GUILESS_MAIN(TestInitDbCommand)
#include "tst_init_db_command.moc"
