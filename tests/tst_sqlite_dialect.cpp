// The T-SQL texts the program issues, run on the local SQLite file.
#include <QtTest>

#include "platform/app_error.h"
#include "platform/sql_text.h"
#include "platform/sqlite_dialect.h"
#include "test_env.h"

class TestSqliteDialect : public QObject
{
    Q_OBJECT

private slots:
    void rewrites_data();
    void rewrites();
    void cloneKeepsAutomaticId();
    void cloneOfMissingTableFails();
    void dropIfExists();
    void tableListingSkipsSystemTables();
    void lenIgnoresTrailingBlanks();
    void textConcatenationWithPlus();
    void unionAllOrderedByPinyin();
    void quotedValuesRoundTrip();
    void sysObjectsListsTablesAndIdFunction();
    void notADatabaseFailsToOpen();
};

void TestSqliteDialect::rewrites_data()
{
    QTest::addColumn<QString>("tsql");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("drop if exists")
        << "if exists(select * from sysObjects where name = '合并表') drop table 合并表"
        << "drop table if exists 合并表";
    QTest::newRow("dbo prefix") << "select dbo.fn_ValidateIDC(x) from t"
                                << "select fn_ValidateIDC(x) from t";
    QTest::newRow("dbo inside a literal stays") << "select 'dbo.x' from t" << "select 'dbo.x' from t";
    QTest::newRow("plus with literal") << "update t set a = a + '000000' where len(a) = 6"
                                       << "update t set a = a || '000000' where len(a) = 6";
    QTest::newRow("plus of numbers stays") << "select 1 + 2" << "select 1 + 2";
    QTest::newRow("order by gets pinyin")
        << "select id, 姓名 from 高一01 Order by 姓名" << "select id, 姓名 from 高一01 Order by 姓名 collate pinyin";
    QTest::newRow("order by keeps direction")
        << "select a, b from t order by a desc, b" << "select a, b from t order by a collate pinyin desc, b collate pinyin";
    QTest::newRow("one parenthesised select with order by")
        << "(select '高一01' as 班级, count(*) as 计数 from 高一01) order by 班级"
        << " select '高一01' as 班级, count(*) as 计数 from 高一01  order by 班级 collate pinyin";
    QTest::newRow("parenthesised select with a derived table")
        << "(select * from (select 姓名 from t where (a='1')) TTA where TTA.x=0) order by 姓名"
        << " select * from (select 姓名 from t where (a='1')) TTA where TTA.x=0  order by 姓名 collate pinyin";
    QTest::newRow("order by inside a literal is text")
        << "select 'order by x' from t" << "select 'order by x' from t";
}

void TestSqliteDialect::rewrites()
{
    QFETCH(QString, tsql);
    QFETCH(QString, sqlite);
    QCOMPARE(SqliteDialect::rewriteText(tsql), sqlite);
}

void TestSqliteDialect::cloneKeepsAutomaticId()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    QVERIFY(env.db->tableNames().contains(QStringLiteral("高一01")));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('李四')"));
    env.db->execute(QStringLiteral("delete from 高一01 where 姓名 = '李四'"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('王五')"));
    const QueryResult r = env.db->query(QStringLiteral("select id, 姓名 from 高一01 order by id"));
    QCOMPARE(r.columns.size(), 2);
    QCOMPARE(r.rowCount(), 2);
    QCOMPARE(r.text(0, 0), QStringLiteral("1"));
    // AUTOINCREMENT: a deleted id is never handed out again.
    QCOMPARE(r.text(1, 0), QStringLiteral("3"));
    const QueryResult all = env.db->query(QStringLiteral("select * from 高一01"));
    QCOMPARE(all.columnCount(), 48);
}

void TestSqliteDialect::cloneOfMissingTableFails()
{
    TestEnv env;
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
                             env.db->execute(QStringLiteral("Select * into 高一02 from Init9 where 1 <> 1")));
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("高一02")));
}

void TestSqliteDialect::dropIfExists()
{
    TestEnv env;
    const QString drop = QStringLiteral("if exists(select * from sysObjects where name = '合并') drop table 合并");
    env.db->execute(drop); // absent: nothing happens
    env.db->execute(QStringLiteral("select * into 合并 from init2 where 1 <> 1"));
    QVERIFY(env.db->tableNames().contains(QStringLiteral("合并")));
    env.db->execute(drop);
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("合并")));
}

void TestSqliteDialect::tableListingSkipsSystemTables()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("初三12"));
    env.db->execute(QStringLiteral("create view 视图 as select 姓名 from 初三12"));
    // sqlite_sequence exists because of AUTOINCREMENT; it must not be listed.
    QCOMPARE(env.db->tableNames(),
             QStringList({QStringLiteral("Init2"), QStringLiteral("Init1"), QStringLiteral("初三12"), QStringLiteral("视图")}));
}

void TestSqliteDialect::lenIgnoresTrailingBlanks()
{
    TestEnv env;
    const QueryResult r = env.db->query(QStringLiteral("select len('440606   '), len('  广东'), len(null), len('王𠮷')"));
    QCOMPARE(r.text(0, 0), QStringLiteral("6"));
    QCOMPARE(r.text(0, 1), QStringLiteral("4"));
    QVERIFY(r.rows.at(0).at(2).isNull());
    QCOMPARE(r.text(0, 3), QStringLiteral("2"));
}

void TestSqliteDialect::textConcatenationWithPlus()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("小六30"));
    env.db->execute(QStringLiteral("insert into 小六30 (出生地行政区划代码) values ('440606')"));
    const qint64 n = env.db->execute(
        QStringLiteral("update 小六30 set 出生地行政区划代码 = 出生地行政区划代码 + '000000' where len(出生地行政区划代码) = 6"));
    QCOMPARE(n, 1);
    QCOMPARE(env.db->query(QStringLiteral("select 出生地行政区划代码 from 小六30")).text(0, 0),
             QStringLiteral("440606000000"));
}

void TestSqliteDialect::unionAllOrderedByPinyin()
{
    TestEnv env;
    for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("初一01"), QStringLiteral("小一01")}) {
        env.createClassTable(t);
    }
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
    env.db->execute(QStringLiteral("insert into 初一01 (姓名) values ('李四')"));
    env.db->execute(QStringLiteral("insert into 小一01 (姓名) values ('阿明')"));
    const QueryResult r = env.db->query(QStringLiteral(
        "(select '高一01' as 班级, 姓名 from 高一01) union all (select '初一01' as 班级, 姓名 from 初一01) "
        "union all (select '小一01' as 班级, 姓名 from 小一01) order by 班级, 姓名"));
    QCOMPARE(r.rowCount(), 3);
    // 初 (chu) < 高 (gao) < 小 (xiao)
    QCOMPARE(r.text(0, 0), QStringLiteral("初一01"));
    QCOMPARE(r.text(1, 0), QStringLiteral("高一01"));
    QCOMPARE(r.text(2, 0), QStringLiteral("小一01"));
    const QueryResult names = env.db->query(QStringLiteral(
        "(select 姓名 from 高一01) union all (select 姓名 from 初一01) union all (select 姓名 from 小一01) order by 姓名"));
    QCOMPARE(names.text(0, 0), QStringLiteral("阿明")); // a
    QCOMPARE(names.text(1, 0), QStringLiteral("李四")); // l
    QCOMPARE(names.text(2, 0), QStringLiteral("张三")); // z
    // A union built over one table is a single parenthesised select.
    const QueryResult one = env.db->query(QStringLiteral(
        "(select '小一01' as 班级, 姓名, count(姓名) as 计数 from 小一01 Group by 姓名) order by 班级"));
    QCOMPARE(one.columns, QStringList({QStringLiteral("班级"), QStringLiteral("姓名"), QStringLiteral("计数")}));
    QCOMPARE(one.rowCount(), 1);
}

void TestSqliteDialect::quotedValuesRoundTrip()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    const QString nasty = QStringLiteral("'); drop table 高一01; --");
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 籍贯) values (%1, %2)")
                        .arg(SqlText::quote(QStringLiteral("O'Brien")), SqlText::quote(nasty)));
    const QueryResult r = env.db->query(QStringLiteral("select 姓名, 籍贯 from 高一01"));
    QCOMPARE(r.text(0, 0), QStringLiteral("O'Brien"));
    QCOMPARE(r.text(0, 1), nasty);
}

void TestSqliteDialect::sysObjectsListsTablesAndIdFunction()
{
    TestEnv env;
    QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = 'fn_ValidateIDC'")).rowCount(), 1);
    QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = 'Init2'")).rowCount(), 1);
    QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = '高一01'")).rowCount(), 0);
    env.createClassTable(QStringLiteral("高一01"));
    QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = '高一01'")).rowCount(), 1);
    const QueryResult r = env.db->query(QStringLiteral(
        "select dbo.fn_ValidateIDC('11010519491231002X'), dbo.fn_ValidateIDC('11010519491231002x'), "
        "dbo.fn_ValidateIDC('110105194912310021'), dbo.fn_ValidateIDC('110105491231002')"));
    QCOMPARE(r.text(0, 0), QStringLiteral("1"));
    QCOMPARE(r.text(0, 1), QStringLiteral("1"));
    QCOMPARE(r.text(0, 2), QStringLiteral("0"));
    QCOMPARE(r.text(0, 3), QStringLiteral("0"));
}

void TestSqliteDialect::notADatabaseFailsToOpen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavro.db"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray junk(4096, 'x');
    f.write(junk);
    f.close();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, SqlDatabase::openSqlite(path, SqliteMode::ReadWrite));
    QFile again(path);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), junk);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, SqlDatabase::openSqlite(dir.filePath(QStringLiteral("none.db")), SqliteMode::ReadWrite));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.db"))));
}

QTEST_GUILESS_MAIN(TestSqliteDialect)
#include "tst_sqlite_dialect.moc"
