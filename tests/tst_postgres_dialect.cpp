// The PostgreSQL dialect: its text rewrites, and what only a server shows
// (sequences, session objects, lost connections, config.ini). The server tests
// are skipped when TAVRO_TEST_PG is not set.
#include <QtTest>

#include "app/database_connection.h"
#include "platform/app_error.h"
#include "platform/postgres_dialect.h"
#include "platform/transaction.h"
#include "test_env.h"

class TestPostgresDialect : public QObject
{
    Q_OBJECT

private slots:
    void rewrites_data();
    void rewrites();
    void collateOrderBy_data();
    void collateOrderBy();
    void hostPort_data();
    void hostPort();

    void cloneHasItsOwnSequence();
    void boundSelectInATransactionOrdersByPinyin();
    void sessionObjectsStayOutOfTheDatabase();
    void sysObjectsIgnoresCase();
    void idCheckScriptRunsOnce();
    void serverClockGivesTheStartUpDate();
    void lostConnectionFailsOnceThenReconnects();
    void configIniChoosesTheEngine();
    void wrongPasswordFailsToConnect();
    void serverMessagesAreShownShort();
};

void TestPostgresDialect::rewrites_data()
{
    QTest::addColumn<QString>("tsql");
    QTest::addColumn<QString>("postgres");
    QTest::newRow("class table from Init2")
        << "Select * into 高一01 from Init2 where 1 <> 1" << "create table 高一01 (like Init2 including all)";
    QTest::newRow("merged table") << "select * into 合并表 from init2 where 1 <> 1"
                                  << "create table 合并表 (like init2 including all)";
    QTest::newRow("select into with rows stays") << "select 姓名 into t from s" << "select 姓名 into t from s";
    QTest::newRow("drop if exists")
        << "if exists(select * from sysObjects where name = '合并表') drop table 合并表" << "drop table if exists 合并表";
    QTest::newRow("dbo prefix") << "select dbo.fn_ValidateIDC(x) from t" << "select fn_ValidateIDC(x) from t";
    QTest::newRow("len and plus") << "update t set a = a + '000000' where len(a) = 6"
                                  << "update t set a = a || '000000' where pg_temp.len(a) = 6";
    QTest::newRow("LEN upper case, blank before paren") << "select LEN (a) from t" << "select pg_temp.len(a) from t";
    QTest::newRow("len inside a name stays") << "select mylen(a), t.len from t" << "select mylen(a), t.len from t";
    QTest::newRow("getdate") << "Select GetDate()" << "Select localtimestamp";
    QTest::newRow("literals untouched") << "select 'len(x) + dbo.GetDate()' + a from t"
                                         << "select 'len(x) + dbo.GetDate()' || a from t";
    QTest::newRow("plus of numbers stays") << "select 1 + 2" << "select 1 + 2";
    QTest::newRow("function script untouched")
        << "-- a comment\ncreate or replace function f(x text) returns integer as $$ select len(x) + 1 $$"
        << "-- a comment\ncreate or replace function f(x text) returns integer as $$ select len(x) + 1 $$";
}

void TestPostgresDialect::rewrites()
{
    QFETCH(QString, tsql);
    QFETCH(QString, postgres);
    QCOMPARE(PostgresDialect::rewriteText(tsql), postgres);
}

void TestPostgresDialect::collateOrderBy_data()
{
    using Columns = QList<PostgresDialect::ResultColumn>;
    QTest::addColumn<QString>("sql");
    QTest::addColumn<Columns>("columns");
    QTest::addColumn<QString>("expected");
    const Columns classCount{{"班级", true}, {"计数", false}};
    QTest::newRow("compound ordered from outside")
        << "(select '高一01' as 班级, count(*) as 计数 from 高一01) union all (select '高一02' as 班级, count(*) as 计数 from 高一02) order by 班级"
        << classCount
        << "select * from ((select '高一01' as 班级, count(*) as 计数 from 高一01) union all (select '高一02' as 班级, count(*) as 计数 from 高一02)) tavro_u order by \"班级\" collate c";
    QTest::newRow("alias of a simple select")
        << "select '高一01' as 班级, 姓名 from t group by 姓名 order by 班级, 姓名;" << Columns{{"班级", true}, {"姓名", true}}
        << "select * from (select '高一01' as 班级, 姓名 from t group by 姓名) tavro_u order by \"班级\" collate c, \"姓名\" collate c";
    QTest::newRow("number column untouched")
        << "select a, n from t order by n" << Columns{{"a", true}, {"n", false}} << "select a, n from t order by n";
    QTest::newRow("direction kept, number after text")
        << "select id, 姓名 from t order by 姓名 desc, id" << Columns{{"id", false}, {"姓名", true}}
        << "select * from (select id, 姓名 from t) tavro_u order by \"姓名\" collate c desc, \"id\"";
    QTest::newRow("by position") << "select id, 姓名 from t order by 2" << Columns{{"id", false}, {"姓名", true}}
                                 << "select * from (select id, 姓名 from t) tavro_u order by \"姓名\" collate c";
    QTest::newRow("qualified name, any case")
        << "select T.Name from t order by T.NAME" << Columns{{"name", true}}
        << "select * from (select T.Name from t) tavro_u order by \"name\" collate c";
    QTest::newRow("term outside the result: collated in place")
        << "select id from t order by 姓名, 班号 desc" << Columns{{"id", false}, {"班号", true}}
        << "select id from t order by 姓名, 班号 collate c desc";
    QTest::newRow("column not in the result untouched")
        << "select id from t order by 姓名" << Columns{{"id", false}} << "select id from t order by 姓名";
    QTest::newRow("already collated") << "select a from t order by a collate \"C\"" << Columns{{"a", true}}
                                      << "select a from t order by a collate \"C\"";
    QTest::newRow("order by in a literal is text") << "select 'order by a' as a from t" << Columns{{"a", true}}
                                                   << "select 'order by a' as a from t";
    QTest::newRow("single parenthesised member")
        << "(select '高一01' as 班级, 姓名 from 高一01) order by 班级, 姓名" << Columns{{"班级", true}, {"姓名", true}}
        << "select * from ((select '高一01' as 班级, 姓名 from 高一01)) tavro_u order by \"班级\" collate c, \"姓名\" collate c";
}

void TestPostgresDialect::collateOrderBy()
{
    QFETCH(QString, sql);
    QFETCH(QList<PostgresDialect::ResultColumn>, columns);
    QFETCH(QString, expected);
    QCOMPARE(PostgresDialect::collateOrderBy(sql, QStringLiteral("c"), columns), expected);
}

void TestPostgresDialect::hostPort_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host") << "dbhost" << "dbhost" << -1;
    QTest::newRow("host:port") << "dbhost:5433" << "dbhost" << 5433;
    QTest::newRow("address:port") << " 10.0.0.5:6000 " << "10.0.0.5" << 6000;
    QTest::newRow("bracketed v6 with port") << "[::1]:5433" << "::1" << 5433;
    QTest::newRow("bare v6") << "fe80::1" << "fe80::1" << -1;
    QTest::newRow("socket folder") << "/run/postgresql" << "/run/postgresql" << -1;
    QTest::newRow("bad port stays in the host") << "dbhost:abc" << "dbhost:abc" << -1;
}

void TestPostgresDialect::hostPort()
{
    QFETCH(QString, server);
    QFETCH(QString, host);
    QFETCH(int, port);
    const HostPort hp = HostPort::parse(server);
    QCOMPARE(hp.host, host);
    QCOMPARE(hp.port, port);
}

void TestPostgresDialect::cloneHasItsOwnSequence()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    // Each identity has a sequence of its own, none shared with Init2.
    const QueryResult r = env.db->query(QStringLiteral(
        "select pg_get_serial_sequence('init2', 'id'), pg_get_serial_sequence('高一01', 'id'), "
        "pg_get_serial_sequence('高一02', 'id')"));
    QSet<QString> sequences{r.text(0, 0), r.text(0, 1), r.text(0, 2)};
    QCOMPARE(sequences.size(), 3);
    QVERIFY(!sequences.contains(QString()));
    // The primary key came along.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, env.db->execute(QStringLiteral("insert into 高一01 (id) values (1), (1)")));
}

void TestPostgresDialect::boundSelectInATransactionOrdersByPinyin()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.createClassTable(QStringLiteral("高一01"));
    for (const char *name : {"张三", "安娜", "李四"})
        env.db->execute(SqlStatement(QStringLiteral("insert into 高一01 (姓名, 民族) values (?, '汉族')"), {QString::fromUtf8(name)}));
    // The order's text columns are learnt from the statement with its values
    // as placeholders: that must neither fail nor spoil the transaction.
    Transaction transaction(*env.db);
    const QueryResult r = env.db->query(
        SqlStatement(QStringLiteral("select 姓名 from 高一01 where 民族 = ? order by 姓名"), {QStringLiteral("汉族")}));
    QCOMPARE(r.rowCount(), 3);
    QCOMPARE(r.text(0, 0) + r.text(1, 0) + r.text(2, 0), QStringLiteral("安娜李四张三"));
    env.db->execute(QStringLiteral("delete from 高一01 where 姓名 = '安娜'"));
    transaction.commit();
}

void TestPostgresDialect::sessionObjectsStayOutOfTheDatabase()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    const QueryResult r = env.db->query(QStringLiteral(
        "select count(*) from pg_class c join pg_namespace n on n.oid = c.relnamespace "
        "where n.nspname = 'public' and c.relname = 'sysobjects'"));
    QCOMPARE(r.text(0, 0), QStringLiteral("0"));
    // Another connection has its own session objects and works the same.
    auto other = env.connectAgain();
    QCOMPARE(other->query(QStringLiteral("select len('ab  ')")).text(0, 0), QStringLiteral("2"));
    QCOMPARE(other->query(QStringLiteral("select name from sysObjects where name = 'Init2'")).rowCount(), 1);
}

void TestPostgresDialect::sysObjectsIgnoresCase()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    for (const QString &name : {QStringLiteral("Init2"), QStringLiteral("init2"), QStringLiteral("INIT2")})
        QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = '%1'").arg(name)).rowCount(), 1);
    env.db->execute(QStringLiteral("select * into Merged from init2 where 1 <> 1"));
    QVERIFY(env.db->tableNames().contains(QStringLiteral("merged")));
    env.db->execute(QStringLiteral("if exists(select * from sysObjects where name = 'Merged') drop table Merged"));
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("merged")));
}

void TestPostgresDialect::idCheckScriptRunsOnce()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    const QString exists = QStringLiteral("select * from sysObjects where name = 'fn_ValidateIDC'");
    QCOMPARE(env.db->query(exists).rowCount(), 0);
    env.db->execute(PostgresDialect::idCheckFunctionScript());
    QCOMPARE(env.db->query(exists).rowCount(), 1);
    // It lives in the database: a new connection sees it.
    auto other = env.connectAgain();
    QCOMPARE(other->query(QStringLiteral("select dbo.fn_ValidateIDC('11010519491231002X')")).text(0, 0), QStringLiteral("1"));
    QCOMPARE(other->query(exists).rowCount(), 1);
}

void TestPostgresDialect::serverClockGivesTheStartUpDate()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    // A session zone fourteen hours ahead of UTC: the date comes from the
    // server session, not from this machine's clock.
    qputenv("PGTZ", "Pacific/Kiritimati");
    auto db = env.connectAgain();
    qunsetenv("PGTZ");
    const QDateTime server = db->currentDateTime();
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    const qint64 ahead = QDateTime(utc.date(), utc.time()).secsTo(QDateTime(server.date(), server.time()));
    QVERIFY2(qAbs(ahead - 14 * 3600) < 3600, qPrintable(server.toString(Qt::ISODate)));
}

void TestPostgresDialect::lostConnectionFailsOnceThenReconnects()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.createClassTable(QStringLiteral("高一01"));
    const QString pid = env.db->query(QStringLiteral("select pg_backend_pid()")).text(0, 0);
    auto admin = env.connectAgain();
    admin->query(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
    // The next action fails with the server's own text...
    try {
        env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
        QFAIL("a statement on a lost connection succeeded");
    } catch (const DatabaseError &e) {
        QVERIFY(!e.text().isEmpty());
    }
    // ...and the one after works on a new session, session objects included.
    QCOMPARE(env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')")), 1);
    QCOMPARE(env.db->query(QStringLiteral("select len(姓名) from 高一01")).text(0, 0), QStringLiteral("2"));
    QVERIFY(env.db->query(QStringLiteral("select pg_backend_pid()")).text(0, 0) != pid);
}

void TestPostgresDialect::configIniChoosesTheEngine()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    const QString ini = env.writeConfigIni();
    auto db = DatabaseConnection::openServer(ini);
    QVERIFY(db);
    QCOMPARE(db->engine(), Database::Engine::PostgreSql);
    QVERIFY(db->tableNames().contains(QStringLiteral("Init2")));

    QVERIFY(DatabaseConnection::openServer(env.writeConfigIni(QStringLiteral("postgresql"))));
    QVERIFY(!DatabaseConnection::openServer(env.writeConfigIni(QStringLiteral("Oracle"))));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, DatabaseConnection::openServerOrThrow(ini));
}

void TestPostgresDialect::wrongPasswordFailsToConnect()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    ServerSettings wrong = env.serverSettings;
    wrong.password += QStringLiteral("x");
    QVERIFY_THROWS_EXCEPTION(DatabaseError, SqlDatabase::openPostgres(wrong));
    ServerSettings noDatabase = env.serverSettings;
    noDatabase.database = QStringLiteral("tavro_no_such_database");
    QVERIFY_THROWS_EXCEPTION(DatabaseError, SqlDatabase::openPostgres(noDatabase));
    ServerSettings noServer = env.serverSettings;
    noServer.server.clear();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, SqlDatabase::openPostgres(noServer));
}

void TestPostgresDialect::serverMessagesAreShownShort()
{
    const PostgresDialect dialect;
    QCOMPARE(dialect.messageText(QStringLiteral("ERROR:  column \"班级\" does not exist\nLINE 1: select 班级\n"
                                                "               ^\nHINT:  Perhaps you meant 班号.\n(42703)")),
             QStringLiteral("column \"班级\" does not exist"));
    const QString connection = QStringLiteral("connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n"
                                              "\tIs the server running on that host?");
    QCOMPARE(dialect.messageText(connection), connection);

    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    try {
        env.db->query(QStringLiteral("select 姓名 from 高三09"));
        QFAIL("a missing table was found");
    } catch (const DatabaseError &e) {
        QCOMPARE(e.text(), QStringLiteral("relation \"高三09\" does not exist"));
    }
    try {
        env.createClassTable(QStringLiteral("高三09"));
        env.db->execute(QStringLiteral("insert into 高三09 (id) values (1)"));
        env.db->execute(QStringLiteral("insert into 高三09 (id) values (1)"));
        QFAIL("a second row with id 1 was taken");
    } catch (const DatabaseError &e) {
        QVERIFY2(e.text().startsWith(QStringLiteral("duplicate key value violates unique constraint")), qPrintable(e.text()));
    }
}

QTEST_GUILESS_MAIN(TestPostgresDialect)
#include "tst_postgres_dialect.moc"
