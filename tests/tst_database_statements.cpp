// The statement texts the program issues, on the database engine of TestEnv.
// Runs on every database engine.
#include <QtTest>

#include "platform/app_error.h"
#include "core/record/id_number_check.h"
#include "platform/postgres_dialect.h"
#include "platform/sql_text.h"
#include "test_env.h"

class TestDatabaseStatements : public QObject
{
    Q_OBJECT

private slots:
    void classTableNumbersItsOwnIds();
    void mergedTableNumbersAfresh();
    void cloneOfMissingTableFails();
    void dropIfExists();
    void tableListing();
    void lenCountsCharactersWithoutTrailingBlanks();
    void paddingWithPlusCountsChangedRows();
    void checksOrderClassesAndNamesByPinyin();
    void orderByNumbersStaysNumeric();
    void groupByHavingAndDerivedTable();
    void quotedValuesRoundTrip();
    void getDateGivesADateTime();
    void idCheckFunctionAgreesWithTheProgram();
    void rowsAffected();
    void columnNamesAsReported();
};

static void insertNames(Database &db, const QString &table, const QStringList &names)
{
    for (const QString &n : names)
        db.execute(QStringLiteral("insert into %1 (姓名) values (%2)").arg(table, SqlText::quote(n)));
}

static QStringList column(const QueryResult &r, int c)
{
    QStringList out;
    for (int i = 0; i < r.rowCount(); ++i)
        out << r.text(i, c);
    return out;
}

void TestDatabaseStatements::classTableNumbersItsOwnIds()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    insertNames(*env.db, QStringLiteral("高一01"), {QStringLiteral("张三"), QStringLiteral("李四")});
    env.db->execute(QStringLiteral("delete from 高一01 where 姓名 = '李四'"));
    insertNames(*env.db, QStringLiteral("高一01"), {QStringLiteral("王五")});
    insertNames(*env.db, QStringLiteral("高一02"), {QStringLiteral("赵六")});
    const QueryResult r = env.db->query(QStringLiteral("select id, 姓名 from 高一01 order by id"));
    // A deleted id is never handed out again; each class counts from 1.
    QCOMPARE(column(r, 0), QStringList({"1", "3"}));
    QCOMPARE(env.db->query(QStringLiteral("select id from 高一02")).text(0, 0), QStringLiteral("1"));
    QCOMPARE(env.db->query(QStringLiteral("select * from 高一01")).columnCount(), 48);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, env.db->execute(QStringLiteral("insert into 高一01 (id, 姓名) values (1, '重复')")));
}

void TestDatabaseStatements::mergedTableNumbersAfresh()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    insertNames(*env.db, QStringLiteral("高一01"), {QStringLiteral("甲"), QStringLiteral("乙")});
    insertNames(*env.db, QStringLiteral("高一02"), {QStringLiteral("丙")});
    env.db->execute(QStringLiteral("if exists(select * from sysObjects where name = '合并表') drop table 合并表"));
    env.db->execute(QStringLiteral("select * into 合并表 from init2 where 1 <> 1"));
    for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("高一02")})
        env.db->execute(QStringLiteral("insert into 合并表 (姓名,性别)  select 姓名,性别 from %1").arg(t));
    const QueryResult r = env.db->query(QStringLiteral("select id, 姓名 from 合并表 order by id"));
    QCOMPARE(column(r, 0), QStringList({"1", "2", "3"}));
    QCOMPARE(column(r, 1), QStringList({"甲", "乙", "丙"}));
    // The class table goes on with its own numbers.
    insertNames(*env.db, QStringLiteral("高一02"), {QStringLiteral("丁")});
    QCOMPARE(env.db->query(QStringLiteral("select id from 高一02 where 姓名 = '丁'")).text(0, 0), QStringLiteral("2"));
    // A second merge replaces the table.
    env.db->execute(QStringLiteral("if exists(select * from sysObjects where name = '合并表') drop table 合并表"));
    env.db->execute(QStringLiteral("select * into 合并表 from init2 where 1 <> 1"));
    env.db->execute(QStringLiteral("insert into 合并表 (姓名,性别)  select 姓名,性别 from 高一02"));
    QCOMPARE(column(env.db->query(QStringLiteral("select id from 合并表 order by id")), 0), QStringList({"1", "2"}));
}

void TestDatabaseStatements::cloneOfMissingTableFails()
{
    TestEnv env;
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
                             env.db->execute(QStringLiteral("Select * into 高一02 from Init9 where 1 <> 1")));
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("高一02")));
    // The connection is still usable after the failure.
    env.createClassTable(QStringLiteral("高一02"));
    QVERIFY(env.db->tableNames().contains(QStringLiteral("高一02")));
}

void TestDatabaseStatements::dropIfExists()
{
    TestEnv env;
    const QString drop = QStringLiteral("if exists(select * from sysObjects where name = '合并') drop table 合并");
    env.db->execute(drop); // absent: nothing happens
    env.db->execute(QStringLiteral("select * into 合并 from init2 where 1 <> 1"));
    QVERIFY(env.db->tableNames().contains(QStringLiteral("合并")));
    QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = '合并'")).rowCount(), 1);
    env.db->execute(drop);
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("合并")));
    QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = '合并'")).rowCount(), 0);
}

void TestDatabaseStatements::tableListing()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("初三12"));
    env.createClassTable(QStringLiteral("高一01"));
    env.db->execute(QStringLiteral("create view 视图 as select 姓名 from 初三12"));
    // Engine helpers (sequences, session views, sqlite_sequence) are not listed;
    // the templates keep the names the program gives them.
    QCOMPARE(env.db->tableNames(), QStringList({"Init2", "Init1", "初三12", "高一01", "视图"}));
}

void TestDatabaseStatements::lenCountsCharactersWithoutTrailingBlanks()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 籍贯) values ('甲', '广东佛山   ')"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 籍贯) values ('乙', '  广东')"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 籍贯) values ('丙', '王𠮷')"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 籍贯) values ('丁', null)"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 籍贯) values ('戊', '广东省佛山市')"));
    const QueryResult r = env.db->query(QStringLiteral("select 姓名, len(籍贯) from 高一01 order by id"));
    QCOMPARE(column(r, 1), QStringList({"4", "4", "2", "", "6"}));
    QVERIFY(r.rows.at(3).at(1).isNull());
    const QueryResult shortOnes = env.db->query(QStringLiteral(
        "(select '高一01' as 班级, 姓名, 籍贯 from 高一01 where len(籍贯)<=5) union all "
        "(select '高一01' as 班级, 姓名, 籍贯 from 高一01 where len(籍贯)<=5) order by 班级"));
    QCOMPARE(shortOnes.rowCount(), 6);
}

void TestDatabaseStatements::paddingWithPlusCountsChangedRows()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("小六30"));
    for (const QString &code : {QStringLiteral("440606"), QStringLiteral("440606001"), QStringLiteral("440606001000"),
                                QStringLiteral("44060")}) {
        env.db->execute(QStringLiteral("insert into 小六30 (出生地行政区划代码) values ('%1')").arg(code));
    }
    env.db->execute(QStringLiteral("insert into 小六30 (出生地行政区划代码) values (null)"));
    const QString pad = QStringLiteral("update %1 set %2 = %2 + '%3' where len(%2) = %4");
    qint64 count = env.db->execute(pad.arg(QStringLiteral("小六30"), QStringLiteral("出生地行政区划代码"), QStringLiteral("000000")).arg(6));
    count += env.db->execute(pad.arg(QStringLiteral("小六30"), QStringLiteral("出生地行政区划代码"), QStringLiteral("000")).arg(9));
    QCOMPARE(count, 2);
    const QueryResult r = env.db->query(QStringLiteral("select 出生地行政区划代码 from 小六30 order by id"));
    QCOMPARE(column(r, 0), QStringList({"440606000000", "440606001000", "440606001000", "44060", ""}));
    QCOMPARE(env.db->execute(pad.arg(QStringLiteral("小六30"), QStringLiteral("出生地行政区划代码"), QStringLiteral("000000")).arg(6)), 0);
}

void TestDatabaseStatements::checksOrderClassesAndNamesByPinyin()
{
    TestEnv env;
    for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("初一01"), QStringLiteral("小一01")})
        env.createClassTable(t);
    insertNames(*env.db, QStringLiteral("高一01"), {QStringLiteral("张三"), QStringLiteral("阿明"), QStringLiteral("张三")});
    insertNames(*env.db, QStringLiteral("初一01"), {QStringLiteral("李四")});
    insertNames(*env.db, QStringLiteral("小一01"), {QStringLiteral("阿明")});
    const QString counts = QStringLiteral(
        "(select '高一01' as 班级, count(*) as 计数 from 高一01) union all "
        "(select '初一01' as 班级, count(*) as 计数 from 初一01) union all "
        "(select '小一01' as 班级, count(*) as 计数 from 小一01) order by 班级");
    const QueryResult r = env.db->query(counts);
    QCOMPARE(r.columns, QStringList({"班级", "计数"}));
    // 初 (chu) < 高 (gao) < 小 (xiao); code point order would put 小 before 高.
    QCOMPARE(column(r, 0), QStringList({"初一01", "高一01", "小一01"}));
    QCOMPARE(column(r, 1), QStringList({"1", "3", "1"}));
    const QueryResult names = env.db->query(QStringLiteral(
        "(select '高一01' as 班级, 姓名 from 高一01) union all (select '小一01' as 班级, 姓名 from 小一01) "
        "order by 班级, 姓名"));
    QCOMPARE(column(names, 1), QStringList({"阿明", "张三", "张三", "阿明"}));
    const QueryResult descending = env.db->query(QStringLiteral("select 姓名 from 高一01 order by 姓名 desc"));
    QCOMPARE(column(descending, 0), QStringList({"张三", "张三", "阿明"}));
}

void TestDatabaseStatements::orderByNumbersStaysNumeric()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    for (int i = 0; i < 11; ++i)
        insertNames(*env.db, QStringLiteral("高一01"), {QStringLiteral("学生%1").arg(i)});
    const QueryResult r = env.db->query(QStringLiteral("select id, 姓名 from 高一01 order by id desc"));
    QCOMPARE(r.text(0, 0), QStringLiteral("11"));
    QCOMPARE(r.text(1, 0), QStringLiteral("10"));
    QCOMPARE(r.text(2, 0), QStringLiteral("9"));
    const QueryResult byPosition = env.db->query(QStringLiteral("select id, 姓名 from 高一01 order by 1"));
    QCOMPARE(byPosition.text(10, 0), QStringLiteral("11"));
    const QueryResult byCount = env.db->query(QStringLiteral(
        "(select '高一01' as 班级, count(*) as 计数 from 高一01) union all "
        "(select '高一02' as 班级, 2 as 计数) order by 计数, 班级"));
    QCOMPARE(column(byCount, 1), QStringList({"2", "11"}));
}

void TestDatabaseStatements::groupByHavingAndDerivedTable()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 班号, 身份证件类型, 身份证件号) values "
                                   "('张三', '2015301', '1-居民身份证', '11010519491231002X')"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 班号, 身份证件类型, 身份证件号) values "
                                   "('张三', '2015302', '1-居民身份证', '110105194912310021')"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 班号, 身份证件类型, 身份证件号) values "
                                   "('李四', null, '2-护照', 'E1234')"));
    const QueryResult dup = env.db->query(QStringLiteral(
        "select '高一01' as 班级, 姓名, count(姓名) as 计数 from 高一01 Group by 姓名 having count(姓名) > 1 order by 班级"));
    QCOMPARE(dup.rowCount(), 1);
    QCOMPARE(dup.text(0, 1), QStringLiteral("张三"));
    QCOMPARE(dup.text(0, 2), QStringLiteral("2"));
    const QueryResult classes = env.db->query(QStringLiteral(
        "select '高一01' as 班级, 班号, count(班号) as 计数 from 高一01 Group by 班号 order by 班级"));
    QCOMPARE(classes.rowCount(), 3);
    if (env.engine == QLatin1String("postgresql"))
        env.db->execute(PostgresDialect::idCheckFunctionScript());
    const QueryResult failing = env.db->query(QStringLiteral(
        "select * from (select '高一01' as 班级, 姓名, 身份证件号, dbo.fn_ValidateIDC(身份证件号) as 校验 from 高一01 "
        "where (身份证件类型='1-居民身份证')) TTA where TTA.校验=0 order by 班级, 姓名"));
    QCOMPARE(failing.columns, QStringList({"班级", "姓名", "身份证件号", "校验"}));
    QCOMPARE(failing.rowCount(), 1);
    QCOMPARE(failing.text(0, 2), QStringLiteral("110105194912310021"));
    QCOMPARE(failing.text(0, 3), QStringLiteral("0"));
    const QueryResult others = env.db->query(QStringLiteral(
        "select '高一01' as 班级, 姓名, 身份证件类型, 身份证件号 from 高一01 where (身份证件类型<>'1-居民身份证') "
        "order by 班级, 姓名"));
    QCOMPARE(others.rowCount(), 1);
    QCOMPARE(others.text(0, 3), QStringLiteral("E1234"));
    const QueryResult in = env.db->query(QStringLiteral("select 姓名 from 高一01 where 姓名 in ('李四', '王五')"));
    QCOMPARE(in.rowCount(), 1);
}

void TestDatabaseStatements::quotedValuesRoundTrip()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    const QString nasty = QStringLiteral("'); drop table 高一01; --");
    const QString backslash = QStringLiteral("C:\\temp\\' or 1=1 --");
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 籍贯, 现住址) values (%1, %2, %3)")
                        .arg(SqlText::quote(QStringLiteral("O'Brien")), SqlText::quote(nasty), SqlText::quote(backslash)));
    const QueryResult r = env.db->query(QStringLiteral("select 姓名, 籍贯, 现住址 from 高一01"));
    QCOMPARE(r.text(0, 0), QStringLiteral("O'Brien"));
    QCOMPARE(r.text(0, 1), nasty);
    QCOMPARE(r.text(0, 2), backslash);
    QCOMPARE(env.db->query(QStringLiteral("Select id from 高一01 where (姓名 = 'O''Brien') or (身份证件号='')")).rowCount(), 1);
}

void TestDatabaseStatements::getDateGivesADateTime()
{
    TestEnv env;
    const QueryResult r = env.db->query(QStringLiteral("Select GetDate()"));
    QCOMPARE(r.rowCount(), 1);
    QVERIFY(r.rows.at(0).at(0).toDateTime().isValid());
    QVERIFY(env.db->currentDateTime().isValid());
}

void TestDatabaseStatements::idCheckFunctionAgreesWithTheProgram()
{
    TestEnv env;
    if (env.engine == QLatin1String("postgresql")) {
        QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = 'fn_ValidateIDC'")).rowCount(), 0);
        env.db->execute(PostgresDialect::idCheckFunctionScript());
    }
    QCOMPARE(env.db->query(QStringLiteral("select * from sysObjects where name = 'fn_ValidateIDC'")).rowCount(), 1);
    const QStringList numbers = {
        QStringLiteral("11010519491231002X"), QStringLiteral("11010519491231002x"), QStringLiteral("110105194912310021"),
        QStringLiteral("110105491231002"),    QStringLiteral(""),                   QStringLiteral("11010519491331002X"),
        QStringLiteral("11010517520101002X"), QStringLiteral("440606200002290011"), QStringLiteral("440606190002290011"),
        QStringLiteral("11010519491231002X "), QStringLiteral("11010519491231002X9"), QStringLiteral("1101051949123100.X"),
        QStringLiteral("１10105194912310021"), QStringLiteral("11010519491231002X   "), QStringLiteral("abcdefghijklmnopqr"),
        QStringLiteral("440606200002300011"), QStringLiteral("440606201502280010"), QStringLiteral("+10105194912310021"),
    };
    env.createClassTable(QStringLiteral("高一01"));
    QStringList all = numbers;
    // Every check character for one body: exactly one is right.
    for (const QChar c : QStringLiteral("0123456789Xx"))
        all << QStringLiteral("44060620100101001") + c;
    for (const QString &n : all)
        env.db->execute(QStringLiteral("insert into 高一01 (身份证件号) values (%1)").arg(SqlText::quote(n)));
    env.db->execute(QStringLiteral("insert into 高一01 (身份证件号) values (null)"));
    const QueryResult r = env.db->query(QStringLiteral("select 身份证件号, dbo.fn_ValidateIDC(身份证件号) from 高一01 order by id"));
    QCOMPARE(r.rowCount(), all.size() + 1);
    int valid = 0;
    for (int i = 0; i < all.size(); ++i) {
        const bool expected = IdNumberCheck::isValid(all.at(i));
        valid += expected ? 1 : 0;
        QVERIFY2(r.text(i, 1) == (expected ? QStringLiteral("1") : QStringLiteral("0")), qPrintable(all.at(i)));
    }
    QCOMPARE(r.text(all.size(), 1), QStringLiteral("0")); // NULL
    QVERIFY(valid >= 5);
}

void TestDatabaseStatements::rowsAffected()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    QCOMPARE(env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('甲')")), 1);
    insertNames(*env.db, QStringLiteral("高一01"), {QStringLiteral("乙"), QStringLiteral("丙")});
    QCOMPARE(env.db->execute(QStringLiteral("update 高一01 set 性别='1-男' where id = 2")), 1);
    QCOMPARE(env.db->execute(QStringLiteral("update 高一01 set 性别='1-男' where id = 99")), 0);
    QCOMPARE(env.db->execute(QStringLiteral("update 高一01 set 民族='01-汉族'")), 3);
}

void TestDatabaseStatements::columnNamesAsReported()
{
    TestEnv env;
    const QueryResult init2 = env.db->query(QStringLiteral("select * from init2 where 1 <> 1"));
    QCOMPARE(init2.columnCount(), 48);
    QCOMPARE(init2.columns.first().toLower(), QStringLiteral("id"));
    QCOMPARE(init2.columns.at(1), QStringLiteral("姓名"));
    QCOMPARE(init2.columns.last(), QStringLiteral("成员2户口所在地行政区划2"));
    const QueryResult init1 = env.db->query(QStringLiteral("select * From Init1 where 1 <> 1"));
    QCOMPARE(init1.columnCount(), 72);
    QCOMPARE(init1.rowCount(), 0);
    const QueryResult aliased = env.db->query(QStringLiteral("select  姓名, ' ' as 照片 from init2"));
    QCOMPARE(aliased.columns, QStringList({"姓名", "照片"}));
}

QTEST_GUILESS_MAIN(TestDatabaseStatements)
#include "tst_database_statements.moc"
