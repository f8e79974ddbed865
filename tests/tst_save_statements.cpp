// The SQL texts of saving a record, character for character as debug.txt shows
// them, and the values bound apart from the text.
#include <stdexcept>

#include <QtTest>

#include "core/record/save_statements.h"

constexpr auto kSqlite = Database::Engine::Sqlite;

namespace {

QStringList sampleValues()
{
    QStringList values;
    for (int i = 0; i < 47; ++i)
        values << QStringLiteral("v%1").arg(i);
    values[0] = QStringLiteral("O'Brien");
    values[4] = QStringLiteral("'); drop table 高一01; --");
    values[17] = QStringLiteral("%1 %s 100%");
    values[42] = QStringLiteral("2015301");
    return values;
}

// The texts the save has always issued for sampleValues(), written out whole:
// every blank counts, the irregular ones included (",'v6'" in the INSERT, two
// blanks before 联系电话, 是否享受一补, 成员1姓名 and 是否进城务工人员随迁子女 in
// the UPDATE, two before ") " and "where").
const char16_t kInsertGolden[] =
    u"insert into 高一01 (姓名, 性别, 出生日期, 出生地行政区划代码, 籍贯, 民族, 国籍_地区, 身份证件类型, 港澳台侨外, 健康状况, 政治面貌, 身份证件号, 户口性质, 户口所在地行政区划, "
    u"入学年月, 入学方式, 就读方式, 现住址, 通信地址, 家庭地址, 联系电话, 邮政编码, 是否独生子女, 是否受过学前教育, 是否留守儿童, 是否需要申请资助, 是否享受一补, 是否孤儿, 是否烈士或优抚子女, "
    u"成员1姓名, 成员1关系, 成员1现住址, 成员1户口所在地行政区划, 成员1联系电话, 成员1是否监护人, 成员2姓名, 成员2关系, 成员2现住址, 成员2户口所在地行政区划, 成员2联系电话, "
    u"成员2是否监护人, 是否进城务工人员随迁子女, 班号, 出生地行政区划代码2, 户口所在地行政区划2, 成员1户口所在地行政区划2, 成员2户口所在地行政区划2 ) values ('O''Brien', "
    u"'v1', 'v2', 'v3', '''); drop table 高一01; --', 'v5','v6', 'v7', 'v8', 'v9', 'v10', 'v11', 'v12', 'v13', "
    u"'v14', 'v15', 'v16', '%1 %s 100%', 'v18', 'v19', 'v20', 'v21', 'v22', 'v23', 'v24', 'v25', 'v26', 'v27', "
    u"'v28', 'v29', 'v30', 'v31', 'v32', 'v33', 'v34', 'v35', 'v36', 'v37', 'v38', 'v39', 'v40', 'v41', '2015301', "
    u"'v43', 'v44', 'v45', 'v46'  ) ";

const char16_t kUpdateGolden[] =
    u"update 初三12 set 姓名='O''Brien', 性别='v1', 出生日期='v2', 出生地行政区划代码='v3', 籍贯='''); drop table 高一01; --', 民族='v5', "
    u"国籍_地区='v6', 身份证件类型='v7', 港澳台侨外='v8', 健康状况='v9', 政治面貌='v10', 身份证件号='v11', 户口性质='v12', 户口所在地行政区划='v13', "
    u"入学年月='v14', 入学方式='v15', 就读方式='v16', 现住址='%1 %s 100%', 通信地址='v18', 家庭地址='v19',  联系电话='v20', 邮政编码='v21', "
    u"是否独生子女='v22', 是否受过学前教育='v23', 是否留守儿童='v24', 是否需要申请资助='v25',  是否享受一补='v26', 是否孤儿='v27', 是否烈士或优抚子女='v28', "
    u" 成员1姓名='v29', 成员1关系='v30', 成员1现住址='v31', 成员1户口所在地行政区划='v32', 成员1联系电话='v33', 成员1是否监护人='v34', 成员2姓名='v35', "
    u"成员2关系='v36', 成员2现住址='v37', 成员2户口所在地行政区划='v38', 成员2联系电话='v39', 成员2是否监护人='v40',  是否进城务工人员随迁子女='v41', 出生地行政区划代码2='v43', "
    u"户口所在地行政区划2='v44', 成员1户口所在地行政区划2='v45', 成员2户口所在地行政区划2='v46'  where id = 12345";

} // namespace

class TestSaveStatements : public QObject
{
    Q_OBJECT

private slots:
    void duplicateQuery_data();
    void duplicateQuery();
    void insertText();
    void updateText();
    void wrongValueCountIsRefused();
};

void TestSaveStatements::duplicateQuery_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cardNo");
    QTest::addColumn<QString>("sql");
    QTest::newRow("plain") << "张三" << "44060620090315123X"
                           << "Select id from 高一01 where (姓名 = '张三') or (身份证件号='44060620090315123X')";
    QTest::newRow("quotes doubled") << "O'Brien" << "'"
                                    << "Select id from 高一01 where (姓名 = 'O''Brien') or (身份证件号='''')";
    QTest::newRow("empty") << "" << "" << "Select id from 高一01 where (姓名 = '') or (身份证件号='')";
}

void TestSaveStatements::duplicateQuery()
{
    QFETCH(QString, name);
    QFETCH(QString, cardNo);
    QFETCH(QString, sql);
    const SqlStatement statement = SaveStatements::duplicateQuery(TableName(QStringLiteral("高一01")), kSqlite, name, cardNo);
    QCOMPARE(statement.logText(), sql);
    QCOMPARE(statement.values, QVariantList({name, cardNo}));
}

void TestSaveStatements::insertText()
{
    const SqlStatement statement = SaveStatements::insertStatement(TableName(QStringLiteral("高一01")), kSqlite, sampleValues());
    QCOMPARE(statement.logText(), QString::fromUtf16(kInsertGolden));
    // The values never stand in the text the engine runs.
    QVERIFY(!statement.text.contains(QStringLiteral("drop table")));
    QCOMPARE(statement.values.size(), 47);
}

void TestSaveStatements::updateText()
{
    // 班号 (value 42) is left out: a record keeps the 班号 it was inserted with.
    const SqlStatement statement =
        SaveStatements::updateStatement(TableName(QStringLiteral("初三12")), kSqlite, sampleValues(), 12345);
    QCOMPARE(statement.logText(), QString::fromUtf16(kUpdateGolden));
    QVERIFY(!statement.text.contains(QStringLiteral("drop table")));
}

void TestSaveStatements::wrongValueCountIsRefused()
{
    QStringList values = sampleValues();
    values.removeLast();
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SaveStatements::insertStatement(TableName(QStringLiteral("高一01")), kSqlite, values));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SaveStatements::updateStatement(TableName(QStringLiteral("高一01")), kSqlite, values, 1));
}

QTEST_GUILESS_MAIN(TestSaveStatements)
#include "tst_save_statements.moc"
