// The data checks over a real database: the statements they issue and
// check.txt byte for byte.
// Runs on every database engine.
#include <QtTest>

#include "core/operations/data_checks.h"
#include "core/record/record_columns.h"
#include "core/record/save_statements.h"
#include "entry_form_driver.h"
#include "platform/table_name.h"
#include "platform/app_error.h"
#include "platform/postgres_dialect.h"
#include "platform/text_file.h"
#include "recording_database.h"
#include "student_rows.h"
#include "test_env.h"

using Check = DataChecks::Check;

namespace {

const QString kResident = QStringLiteral("1-居民身份证");

// Class tables made in catalogue order 高一02, 高一01, 初二03, 小六12, then a merged table.
void seed(TestEnv &env)
{
    for (const char16_t *t : {u"高一02", u"高一01", u"初二03", u"小六12", u"合并表"})
        env.createClassTable(QString::fromUtf16(t));
    Database &db = *env.db;
    const QVariant null;
    auto row = [&](const QString &table, QVariant name, QVariant classNo, QVariant jiguan, QVariant ruxue,
                   QVariant jiudu, QVariant cardType, QVariant cardNo) {
        insertStudent(db, table,
                      {{QStringLiteral("姓名"), name}, {QStringLiteral("班号"), classNo}, {QStringLiteral("籍贯"), jiguan},
                       {QStringLiteral("入学方式"), ruxue}, {QStringLiteral("就读方式"), jiudu},
                       {QStringLiteral("身份证件类型"), cardType}, {QStringLiteral("身份证件号"), cardNo}});
    };
    const QString g1 = QStringLiteral("高一01"), g2 = QStringLiteral("高一02"), x = QStringLiteral("小六12");
    const QString near = QStringLiteral("1-就近入学"), exam = QStringLiteral("2-统一招生");
    const QString day = QStringLiteral("1-走读"), board = QStringLiteral("2-住校");
    row(g1, "张三", "01", "广东省佛山市", near, day, kResident, "11010519491231002X");
    row(g1, "李四", "01", "广东", null, board, kResident, "110105194912310021"); // wrong check character
    row(g1, "王五", "02", null, near, day, null, "123");                     // no document type
    row(g2, "张三", "02", "广东省佛山", exam, day, kResident, "110105491231002"); // 15 digits
    row(g2, "张三", "02", "广东省佛山市南海区", exam, null, "2-护照", "E12345678");
    row(g2, "赵六", "02", "广东省佛山市", near, day, kResident, "11010519491331002X"); // month 13
    row(g2, "钱七", "02", "广东省佛山市", null, null, kResident, "");
    row(g2, "孙八", null, "广东省佛山市", null, null, kResident, null);
    row(g2, "周九", null, "广东省佛山市", null, null, kResident, "11010519491231002x"); // lowercase check character
    row(x, "阿明", "12", "广东省广州市", near, day, kResident, "440524188001010014");
    row(x, null, "12", null, null, null, null, null);
    row(x, null, "12", null, null, null, null, null);
}

QStringList classTables()
{
    return {QStringLiteral("高一02"), QStringLiteral("高一01"), QStringLiteral("初二03"), QStringLiteral("小六12")};
}

// The report as the lines are written: CR LF after each, GB18030 bytes.
QByteArray reportBytes(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return TextFile::encodeGb18030(text);
}

// The report with the data lines of each class in text order: within one class
// the rows come in the database's own order, which differs between engines.
QByteArray withClassBlocksSorted(const QByteArray &report)
{
    QStringList lines = TextFile::decodeGb18030(report).split(QStringLiteral("\r\n"));
    qsizetype start = 0;
    for (qsizetype i = 0; i <= lines.size(); ++i) {
        const QString label = i < lines.size() ? lines.at(i).section(QLatin1Char('\t'), 0, 0) : QString();
        const QString startLabel = lines.value(start).section(QLatin1Char('\t'), 0, 0);
        if (i == lines.size() || label != startLabel || !lines.at(i).contains(QLatin1Char('\t'))) {
            std::sort(lines.begin() + start, lines.begin() + i);
            start = i;
        }
    }
    return TextFile::encodeGb18030(lines.join(QStringLiteral("\r\n")));
}

// The statements of the first ID check: the server creates its function first.
QStringList withIdFunctionScript(const TestEnv &env, QStringList statements)
{
    if (env.engine == QLatin1String("postgresql"))
        statements.insert(1, PostgresDialect::idCheckFunctionScript());
    return statements;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

class TestDataChecks : public QObject
{
    Q_OBJECT

private slots:
    void unionQueryText();
    void singleTableQueryRuns();
    void reports_data();
    void reports();
    void duplicateNamesExample();
    void tableWithoutRows();
    void checkRunsOneStatementWhateverTheTables();
    void idCheckOnTheLocalFileNeverRunsTheScript();
    void idCheckFunctionScriptRunsOnceOnTheServer();
    void idCheckFunctionScriptIsGbkWithCrLf();
    void reportIsReplacedEachRun();
    void failingCheckKeepsTheOldReport();
    void unwritableFolderIsAnErrorAndOpensNothing();
    void booleansAndNulls();
    void idNumberInfoFindsContradictionsAndRepeatsAcrossClasses();
    void incompleteNamesEachPupilsEmptyFieldsAndCountsEveryClass();
};

void TestDataChecks::unionQueryText()
{
    QCOMPARE(DataChecks::buildUnionQuery(DataChecks::piece(Check::EntryCount), DataChecks::suffix(Check::EntryCount),
                                         {QStringLiteral("高一01"), QStringLiteral("高一02")}, Database::Engine::Sqlite),
             QStringLiteral("(select '高一01' as 班级, count(*) as 计数 from 高一01) union all "
                            "(select '高一02' as 班级, count(*) as 计数 from 高一02) order by 班级"));
    QCOMPARE(DataChecks::buildUnionQuery(DataChecks::piece(Check::DuplicateName), DataChecks::suffix(Check::DuplicateName),
                                         {QStringLiteral("初二03")}, Database::Engine::SqlServer),
             QStringLiteral("(select '初二03' as 班级, 姓名, count(姓名) as 计数 from 初二03 Group by 姓名 having "
                            "count(姓名) > 1) order by 班级"));
}

// Every statement a check issues, for one table, exactly and run on SQLite.
void TestDataChecks::singleTableQueryRuns()
{
    TestEnv env;
    seed(env);
    RecordingDatabase db(*env.db);
    DataChecks checks(db, env.dir.path());
    const QString t = QStringLiteral("小六12");
    QStringList expected[] = {
        {QStringLiteral("(select '小六12' as 班级, count(*) as 计数 from 小六12) order by 班级")},
        {QStringLiteral("(select '小六12' as 班级, 班号, count(班号) as 计数 from 小六12 Group by 班号) order by 班级")},
        {QStringLiteral("(select '小六12' as 班级, 姓名, count(姓名) as 计数 from 小六12 Group by 姓名 having count(姓名) > 1) order by 班级")},
        {QStringLiteral("(select '小六12' as 班级, 姓名, 籍贯 from 小六12 where len(籍贯)<=5) order by 班级")},
        {QStringLiteral("(select '小六12' as 班级, 入学方式, count(入学方式) as 计数 from 小六12 Group by 入学方式) order by 班级")},
        {QStringLiteral("(select '小六12' as 班级, 就读方式, count(就读方式) as 计数 from 小六12 Group by 就读方式) order by 班级")},
        {QStringLiteral("select * from sysObjects where name = 'fn_ValidateIDC'"),
         QStringLiteral("(select * from (select '小六12' as 班级, 姓名, 身份证件号, dbo.fn_ValidateIDC(身份证件号) as 校验 "
                        "from 小六12 where (身份证件类型='1-居民身份证')) TTA where TTA.校验=0) order by 班级, 姓名"),
         QStringLiteral("(select '小六12' as 班级, 姓名, 身份证件类型, 身份证件号 from 小六12 where (身份证件类型<>'1-居民身份证')) "
                        "order by 班级, 姓名")},
    };
    const QList<Check> order = {Check::EntryCount,    Check::ClassNumber,    Check::DuplicateName, Check::ShortNativePlace,
                                Check::EnrolmentMode, Check::AttendanceMode, Check::IdNumber};
    expected[6] = withIdFunctionScript(env, expected[6]);
    for (int i = 0; i < order.size(); ++i) {
        db.statements.clear();
        checks.run(order.at(i), {t});
        QCOMPARE(db.statements, expected[i]);
    }
}

void TestDataChecks::reports_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("录入数目") << "录入数目"
                          << QStringList{"班级\t计数\t", "初二03\t0\t", "高一01\t3\t", "高一02\t6\t", "小六12\t3\t",
                                         "合计\t12\t"};
    QTest::newRow("检查班号") << "检查班号"
                          << QStringList{"# 检查存在两个或以上班号的班级", "班级\t班号\t计数\t", "高一01\t01\t2\t",
                                         "高一01\t02\t1\t",           "高一02\t\t0\t",    "高一02\t02\t4\t",
                                         "小六12\t12\t3\t"};
    // Nameless rows are never duplicates: count ignores NULL.
    QTest::newRow("检查重名") << "检查重名"
                          << QStringList{"# 检查一个班里同名的可能是重复录入的学生", "班级\t姓名\t计数\t", "高一02\t张三\t2\t"};
    QTest::newRow("籍贯太短") << "籍贯太短"
                          << QStringList{"# 籍贯输入太短可能有误的学生", "班级\t姓名\t籍贯\t", "高一01\t李四\t广东\t",
                                         "高一02\t张三\t广东省佛山\t"};
    QTest::newRow("入学方式") << "入学方式"
                          << QStringList{"# 检查入学方式",         "班级\t入学方式\t计数\t", "高一01\t\t0\t",
                                         "高一01\t1-就近入学\t2\t", "高一02\t\t0\t",          "高一02\t1-就近入学\t1\t",
                                         "高一02\t2-统一招生\t2\t", "小六12\t\t0\t",          "小六12\t1-就近入学\t1\t"};
    QTest::newRow("就读方式") << "就读方式"
                          << QStringList{"# 检查就读方式",     "班级\t就读方式\t计数\t", "高一01\t1-走读\t2\t",
                                         "高一01\t2-住校\t1\t", "高一02\t\t0\t",          "高一02\t1-走读\t2\t",
                                         "小六12\t\t0\t",       "小六12\t1-走读\t1\t"};
    // Class by pinyin, then name by pinyin (钱 qian, 孙 sun, 张 zhang, 赵 zhao); a
    // NULL document type is in neither section; a lowercase x passes.
    QTest::newRow("检查身份证") << "检查身份证"
                           << QStringList{"# 未能通过验证的身份证号码",
                                          "班级\t姓名\t身份证件号\t校验\t",
                                          "高一01\t李四\t110105194912310021\tFalse\t",
                                          "高一02\t钱七\t\tFalse\t",
                                          "高一02\t孙八\t\tFalse\t",
                                          "高一02\t张三\t110105491231002\tFalse\t",
                                          "高一02\t赵六\t11010519491331002X\tFalse\t",
                                          "",
                                          "",
                                          "# 非居民身份证的证件号码",
                                          "班级\t姓名\t身份证件类型\t身份证件号\t",
                                          "高一02\t张三\t2-护照\tE12345678\t"};
}

void TestDataChecks::reports()
{
    QFETCH(QString, check);
    QFETCH(QStringList, lines);
    TestEnv env;
    seed(env);
    DataChecks checks(*env.db, env.dir.path());
    const std::optional<Check> which = DataChecks::fromCaption(check);
    QVERIFY(which.has_value());
    const QString path = checks.run(*which, classTables());
    QCOMPARE(path, env.path(QStringLiteral("check.txt")));
    QByteArray bytes = readFile(path);
    QByteArray expected = reportBytes(lines);
    // The ID check orders by name within a class too; the others leave the
    // rows of one class in the database's order.
    if (*which != Check::IdNumber) {
        bytes = withClassBlocksSorted(bytes);
        expected = withClassBlocksSorted(expected);
    }
    if (bytes != expected)
        qWarning().noquote() << TextFile::decodeGb18030(bytes);
    QCOMPARE(bytes, expected);
}

void TestDataChecks::duplicateNamesExample()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    DataChecks(*env.db, env.dir.path())
        .run(Check::DuplicateName, {QStringLiteral("高一01"), QStringLiteral("高一02")});
    const QByteArray expected = TextFile::encodeGb18030(
        QStringLiteral("# 检查一个班里同名的可能是重复录入的学生\r\n班级\t姓名\t计数\t\r\n高一02\t张三\t2\t\r\n"));
    QCOMPARE(readFile(env.path(QStringLiteral("check.txt"))), expected);
    // GBK bytes: 张 is D5 C5.
    QVERIFY(expected.contains(QByteArray::fromHex("d5c5c8fd")));
}

void TestDataChecks::tableWithoutRows()
{
    TestEnv env;
    seed(env);
    DataChecks checks(*env.db, env.dir.path());
    checks.run(Check::EntryCount, {QStringLiteral("初二03")});
    QCOMPARE(readFile(env.path(QStringLiteral("check.txt"))), reportBytes({"班级\t计数\t", "初二03\t0\t", "合计\t0\t"}));
    checks.run(Check::ShortNativePlace, {QStringLiteral("初二03")});
    QCOMPARE(readFile(env.path(QStringLiteral("check.txt"))),
             reportBytes({"# 籍贯输入太短可能有误的学生", "班级\t姓名\t籍贯\t"}));
    checks.run(Check::IdNumber, {QStringLiteral("初二03")});
    QCOMPARE(readFile(env.path(QStringLiteral("check.txt"))),
             reportBytes({"# 未能通过验证的身份证号码", "班级\t姓名\t身份证件号\t校验\t", "", "", "# 非居民身份证的证件号码",
                          "班级\t姓名\t身份证件类型\t身份证件号\t"}));
}

void TestDataChecks::checkRunsOneStatementWhateverTheTables()
{
    TestEnv env;
    seed(env);
    QStringList many = classTables();
    for (int i = 1; i <= 12; ++i) {
        const QString t = QStringLiteral("初一%1").arg(i, 2, 10, QLatin1Char('0'));
        env.createClassTable(t);
        many << t;
    }
    RecordingDatabase db(*env.db);
    DataChecks checks(db, env.dir.path());
    const bool createsFunction = env.engine == QLatin1String("postgresql");
    for (int run = 0; run < 2; ++run) {
        for (Check check : DataChecks::all()) {
            db.statements.clear();
            checks.run(check, many);
            // The ID check asks the catalogue for its function (a server makes
            // it on the first run), then runs its two queries.
            const int expected = check == Check::IdNumber ? (run == 0 && createsFunction ? 4 : 3) : 1;
            QCOMPARE(db.statements.size(), expected);
            QCOMPARE(db.statements.back().count(QStringLiteral(" union all ")), many.size() - 1);
        }
    }
}

void TestDataChecks::idCheckOnTheLocalFileNeverRunsTheScript()
{
    TestEnv env;
    if (env.engine != QLatin1String("sqlite"))
        QSKIP("a server creates the function from its script");
    seed(env);
    RecordingDatabase db(*env.db);
    DataChecks(db, env.dir.path()).run(Check::IdNumber, classTables());
    for (const QString &sql : db.statements)
        QVERIFY2(!sql.contains(QStringLiteral("CREATE FUNCTION"), Qt::CaseInsensitive), qPrintable(sql));
}

namespace {

// A server that has or lacks the ID function; records what it is asked to run.
class ServerDouble final : public Database
{
public:
    Engine engine() const override { return Engine::SqlServer; }
    QueryResult query(const SqlStatement &sql) override
    {
        queries << sql.text;
        QueryResult r;
        r.columns = {QStringLiteral("name")};
        if (sql.text.contains(QStringLiteral("sysObjects")) && hasFunction)
            r.rows << QVariantList{QStringLiteral("fn_ValidateIDC")};
        return r;
    }
    qint64 execute(const SqlStatement &sql) override
    {
        executed << sql.text;
        hasFunction = true;
        return 0;
    }
    QStringList tableNames() override { return {}; }
    QDateTime currentDateTime() override { return {}; }
    void beginTransaction() override {}
    void commitTransaction() override {}
    void rollbackTransaction() override {}
    QString filePath() const override { return {}; }

    bool hasFunction = false;
    QStringList queries;
    QStringList executed;
};

} // namespace

void TestDataChecks::idCheckFunctionScriptRunsOnceOnTheServer()
{
    ServerDouble server;
    RecordingDesktop desktop;
    QTemporaryDir dir;
    DataChecks checks(server, dir.path());
    checks.run(Check::IdNumber, {QStringLiteral("高一01")});
    QCOMPARE(server.executed.size(), 1);
    QCOMPARE(server.executed.front(), DataChecks::idCheckFunctionScript());
    checks.run(Check::IdNumber, {QStringLiteral("高一01")});
    checks.ensureIdCheckFunction();
    QCOMPARE(server.executed.size(), 1);
    // The check calls the function with its schema, as the server needs.
    QVERIFY(server.queries.at(1).contains(QStringLiteral("dbo.fn_ValidateIDC(身份证件号)")));
}

void TestDataChecks::idCheckFunctionScriptIsGbkWithCrLf()
{
    QFile f(QStringLiteral(":/sql/StoredProc1.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.count('\n') > 10);
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    const QString script = DataChecks::idCheckFunctionScript();
    QCOMPARE(TextFile::encodeGb18030(script), bytes);
    QVERIFY(script.contains(QStringLiteral("身份证")));
    QVERIFY(script.contains(QStringLiteral("CREATE FUNCTION [fn_ValidateIDC] (@idc varchar(18))")));
    QVERIFY(script.contains(QStringLiteral("RETURNS BIT")));
    QVERIFY(script.contains(QStringLiteral("'79A584216379A5842'")));
    QVERIFY(script.contains(QStringLiteral("'10X98765432'")));
    QVERIFY(script.contains(QStringLiteral("UPPER(RIGHT(@idc, 1))")));
}

void TestDataChecks::reportIsReplacedEachRun()
{
    TestEnv env;
    seed(env);
    DataChecks checks(*env.db, env.dir.path());
    checks.run(Check::IdNumber, classTables());
    checks.run(Check::DuplicateName, {QStringLiteral("高一02")});
    QCOMPARE(readFile(env.path(QStringLiteral("check.txt"))),
             reportBytes({"# 检查一个班里同名的可能是重复录入的学生", "班级\t姓名\t计数\t", "高一02\t张三\t2\t"}));
}

void TestDataChecks::failingCheckKeepsTheOldReport()
{
    TestEnv env;
    seed(env);
    DataChecks checks(*env.db, env.dir.path());
    checks.run(Check::EntryCount, {QStringLiteral("高一01")});
    const QByteArray before = readFile(env.path(QStringLiteral("check.txt")));
    // Init1 has no 班号 column; the table list offers it all the same.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, checks.run(Check::ClassNumber, {QStringLiteral("高一01"), QStringLiteral("Init1")}));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, checks.run(Check::EntryCount, {QStringLiteral("没有这个表")}));
    QCOMPARE(readFile(env.path(QStringLiteral("check.txt"))), before);
}

void TestDataChecks::unwritableFolderIsAnErrorAndOpensNothing()
{
    TestEnv env;
    seed(env);
    DataChecks checks(*env.db, env.path(QStringLiteral("no/such/folder")));
    QVERIFY_THROWS_EXCEPTION(FileError, checks.run(Check::EntryCount, {QStringLiteral("高一01")}));
}

void TestDataChecks::booleansAndNulls()
{
    QueryResult r;
    r.columns = {QStringLiteral("a"), QStringLiteral("校验"), QStringLiteral("c")};
    r.rows << QVariantList{QVariant(true), QVariant(qlonglong(0)), QVariant()};
    r.rows << QVariantList{QVariant(false), QVariant(qlonglong(1)), QVariant(QStringLiteral("x\ty"))};
    QStringList lines;
    DataChecks::appendResultSection(r, lines, {QStringLiteral("校验")});
    QCOMPARE(lines, QStringList({"a\t校验\tc\t", "True\tFalse\t\t", "False\tTrue\tx\ty\t"}));
}

void TestDataChecks::idNumberInfoFindsContradictionsAndRepeatsAcrossClasses()
{
    TestEnv env;
    for (const char16_t *t : {u"高一01", u"高一02", u"初二03"})
        env.createClassTable(QString::fromUtf16(t));
    const QVariant null;
    auto row = [&](const char16_t *table, const char16_t *name, QVariant id, QVariant birth, QVariant sex,
                   QVariant type = kResident) {
        insertStudent(*env.db, QString::fromUtf16(table),
                      {{QStringLiteral("姓名"), QString::fromUtf16(name)}, {QStringLiteral("身份证件号"), id},
                       {QStringLiteral("出生日期"), birth}, {QStringLiteral("性别"), sex}, {QStringLiteral("身份证件类型"), type}});
    };
    // 440606200903150018: 2009-03-15, male; ...0029: 2010-01-01, female; ...0034: 2009-07-02, male.
    row(u"高一01", u"陈一", "440606200903150018", "20090316", "1-男");
    row(u"高一01", u"李二", "440606201001010029", "20100101", "1-男");
    row(u"高一01", u"王三", "440606200907020034", "20090101", "2-女");
    row(u"高一01", u"赵四", "440606201001010029", null, "");            // still to complete; repeat within its class
    row(u"高一01", u"钱五", "440606200903150019", "20000101", "2-女");  // fails the number check itself
    row(u"高一01", u"周七", "11010519491231002X", "19491231", "2-女");
    row(u"高一02", u"孙六", "11010519491231002x", "19491231", "2-女");  // the same number, lower-case x
    row(u"高一02", u"吴八", "440606200907020034", "20090702", "1-男", QStringLiteral("2-护照"));
    row(u"初二03", u"陈九", "440606200903150018", "20090315", "1-男");  // not selected
    RecordingDatabase db(*env.db);
    DataChecks(db, env.dir.path()).run(Check::IdNumberInfo, {QStringLiteral("高一01"), QStringLiteral("高一02")});
    QCOMPARE(db.statements.size(), 1);
    const QByteArray bytes = readFile(env.path(QStringLiteral("check.txt")));
    const QByteArray expected = reportBytes(
        {"# 身份证号与出生日期或性别不符的学生",
         "班级\t姓名\t身份证件号\t出生日期\t性别\t问题\t",
         "高一01\t陈一\t440606200903150018\t20090316\t1-男\t出生日期与身份证号不符\t",
         "高一01\t李二\t440606201001010029\t20100101\t1-男\t性别与身份证号不符\t",
         "高一01\t王三\t440606200907020034\t20090101\t2-女\t出生日期与身份证号不符；性别与身份证号不符\t",
         "",
         "",
         "# 身份证件号与所选的其它班级重复的学生",
         "班级\t姓名\t身份证件号\t其它班级\t",
         "高一01\t王三\t440606200907020034\t高一02\t",
         "高一01\t周七\t11010519491231002X\t高一02\t",
         "高一02\t孙六\t11010519491231002x\t高一01\t",
         "高一02\t吴八\t440606200907020034\t高一01\t"});
    if (bytes != expected)
        qWarning().noquote() << TextFile::decodeGb18030(bytes);
    QCOMPARE(bytes, expected);
}

void TestDataChecks::incompleteNamesEachPupilsEmptyFieldsAndCountsEveryClass()
{
    TestEnv env;
    for (const char *table : {"高一01", "高一02", "高一03"})
        env.createClassTable(QString::fromUtf8(table));
    const QStringList whole = EntryFormDriver::expectedValues(QStringLiteral("张三"));
    QStringList imported = whole; // a roster's pupil: name and ID number, the rest to complete
    for (int i = 0; i < imported.size(); ++i)
        if (i != RecordColumns::Name && i != RecordColumns::CardNo && i != RecordColumns::ClassCode)
            imported[i] = QString();
    imported[RecordColumns::Name] = QStringLiteral("李四");
    QStringList oneGap = whole;
    oneGap[RecordColumns::Name] = QStringLiteral("王五");
    oneGap[RecordColumns::Sex] = QString();
    oneGap[RecordColumns::HukouRegion] = QStringLiteral(" ");
    const auto insert = [&](const char *table, const QStringList &values) {
        env.db->execute(SaveStatements::insertStatement(TableName(QString::fromUtf8(table)), env.db->engine(), values));
    };
    insert("高一01", whole);
    insert("高一01", oneGap);
    insert("高一02", imported);

    const QString path = DataChecks(*env.db, env.dir.path()).run(Check::Incomplete,
        {QStringLiteral("高一01"), QStringLiteral("高一02"), QStringLiteral("高一03")});
    QFile report(path);
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QStringList lines = TextFile::decodeGb18030(report.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.mid(0, 3), (QStringList{"# 待补全：必填项目还空着的学生", "班级\t编号\t姓名\t待补全的项目\t",
                                           "高一01\t2\t王五\t性别、户口所在地行政区划\t"}));
    QVERIFY2(lines.at(3).startsWith(QStringLiteral("高一02\t1\t李四\t性别、出生日期、出生地行政区划代码、籍贯、")),
             qPrintable(lines.at(3)));
    QCOMPARE(lines.mid(4, 7), (QStringList{"", "", "# 各班完成情况", "班级\t人数\t已完成\t待补全\t",
                                           "高一01\t2\t1\t1\t", "高一02\t1\t0\t1\t", "高一03\t0\t0\t0\t"}));
    QCOMPARE(lines.at(11), QStringLiteral("合计\t3\t1\t2\t"));
}

QTEST_GUILESS_MAIN(TestDataChecks)
#include "tst_data_checks.moc"
