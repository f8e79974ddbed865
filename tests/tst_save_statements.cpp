// The SQL texts of saving a record, character for character.
#include <stdexcept>

#include <QtTest>

#include "core/record/save_statements.h"

namespace {

// The statement patterns as the save has always written them, kept here on
// their own so that a slip in the program's copy shows up as a difference.
const QStringList insertColumnPieces = {
    QStringLiteral("姓名, 性别, 出生日期, 出生地行政区划代码, 籍贯, 民族, "),
    QStringLiteral("国籍_地区, 身份证件类型, 港澳台侨外, 健康状况, 政治面貌, 身份证件号, 户口性质, "),
    QStringLiteral("户口所在地行政区划, 入学年月, 入学方式, 就读方式, 现住址, 通信地址, 家庭地址, "),
    QStringLiteral("联系电话, 邮政编码, 是否独生子女, 是否受过学前教育, 是否留守儿童, 是否需要申请资助, "),
    QStringLiteral("是否享受一补, 是否孤儿, 是否烈士或优抚子女, "),
    QStringLiteral("成员1姓名, 成员1关系, 成员1现住址, 成员1户口所在地行政区划, 成员1联系电话, 成员1是否监护人, "),
    QStringLiteral("成员2姓名, 成员2关系, 成员2现住址, 成员2户口所在地行政区划, 成员2联系电话, 成员2是否监护人, "),
    QStringLiteral("是否进城务工人员随迁子女, 班号, "),
    QStringLiteral("出生地行政区划代码2, 户口所在地行政区划2, 成员1户口所在地行政区划2, 成员2户口所在地行政区划2 "),
};

const QStringList insertValueGroups = {
    QStringLiteral("'%s', '%s', '%s', '%s', '%s', '%s',"),
    QStringLiteral("'%s', '%s', '%s', '%s', '%s', '%s', '%s', "),
    QStringLiteral("'%s', '%s', '%s', '%s', '%s', '%s', '%s', "),
    QStringLiteral("'%s', '%s', '%s', '%s', '%s', '%s', "),
    QStringLiteral("'%s', '%s', '%s', "),
    QStringLiteral("'%s', '%s', '%s', '%s', '%s', '%s', "),
    QStringLiteral("'%s', '%s', '%s', '%s', '%s', '%s', "),
    QStringLiteral("'%s', '%s', "),
    QStringLiteral("'%s', '%s', '%s', '%s' "),
};

const QStringList updateGroups = {
    QStringLiteral("姓名='%s', 性别='%s', 出生日期='%s', 出生地行政区划代码='%s', 籍贯='%s', 民族='%s', "),
    QStringLiteral("国籍_地区='%s', 身份证件类型='%s', 港澳台侨外='%s', 健康状况='%s', 政治面貌='%s', 身份证件号='%s', 户口性质='%s', "),
    QStringLiteral("户口所在地行政区划='%s', 入学年月='%s', 入学方式='%s', 就读方式='%s', 现住址='%s', 通信地址='%s', 家庭地址='%s', "),
    QStringLiteral(" 联系电话='%s', 邮政编码='%s', 是否独生子女='%s', 是否受过学前教育='%s', 是否留守儿童='%s', 是否需要申请资助='%s',  "),
    QStringLiteral("是否享受一补='%s', 是否孤儿='%s', 是否烈士或优抚子女='%s',  "),
    QStringLiteral("成员1姓名='%s', 成员1关系='%s', 成员1现住址='%s', 成员1户口所在地行政区划='%s', 成员1联系电话='%s', 成员1是否监护人='%s', "),
    QStringLiteral("成员2姓名='%s', 成员2关系='%s', 成员2现住址='%s', 成员2户口所在地行政区划='%s', 成员2联系电话='%s', 成员2是否监护人='%s', "),
    QStringLiteral(" 是否进城务工人员随迁子女='%s', "),
    QStringLiteral("出生地行政区划代码2='%s', 户口所在地行政区划2='%s', 成员1户口所在地行政区划2='%s', 成员2户口所在地行政区划2='%s' "),
};

// Each %s of the groups, in order, takes the next value with its quotes doubled.
QString substitute(const QStringList &groups, QStringList values)
{
    QString out;
    for (const QString &group : groups) {
        const QStringList parts = group.split(QStringLiteral("%s"));
        out += parts.first();
        for (int i = 1; i < parts.size(); ++i) {
            out += values.takeFirst().replace(QStringLiteral("'"), QStringLiteral("''"));
            out += parts.at(i);
        }
    }
    Q_ASSERT(values.isEmpty());
    return out;
}

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
    QCOMPARE(SaveStatements::duplicateQuery(QStringLiteral("高一01"), name, cardNo), sql);
}

void TestSaveStatements::insertText()
{
    const QStringList values = sampleValues();
    const QString expected = QStringLiteral("insert into 高一01 (") + insertColumnPieces.join(QString())
        + QStringLiteral(") values (") + substitute(insertValueGroups, values) + QStringLiteral(" ) ");
    const QString sql = SaveStatements::insertStatement(QStringLiteral("高一01"), values);
    QCOMPARE(sql, expected);
    // A few joints spelled out, so the patterns above are not the only witness.
    QVERIFY(sql.startsWith(QStringLiteral("insert into 高一01 (姓名, 性别, 出生日期, 出生地行政区划代码, 籍贯, 民族, 国籍_地区, ")));
    QVERIFY(sql.contains(QStringLiteral("成员2户口所在地行政区划2 ) values ('O''Brien', 'v1', ")));
    QVERIFY(sql.contains(QStringLiteral("'v5','v6', 'v7'")));
    QVERIFY(sql.contains(QStringLiteral("'%1 %s 100%', ")));
    QVERIFY(sql.contains(QStringLiteral("'v41', '2015301', 'v43'")));
    QVERIFY(sql.endsWith(QStringLiteral("'v46'  ) ")));
}

void TestSaveStatements::updateText()
{
    QStringList values = sampleValues();
    QStringList assigned = values;
    assigned.removeAt(42);
    const QString expected = QStringLiteral("update 初三12 set ") + substitute(updateGroups, assigned)
        + QStringLiteral(" where id = 12345");
    const QString sql = SaveStatements::updateStatement(QStringLiteral("初三12"), values, 12345);
    QCOMPARE(sql, expected);
    QVERIFY(sql.startsWith(QStringLiteral("update 初三12 set 姓名='O''Brien', 性别='v1', ")));
    QVERIFY(sql.contains(QStringLiteral("家庭地址='v19',  联系电话='v20'")));
    QVERIFY(sql.contains(QStringLiteral("是否需要申请资助='v25',  是否享受一补='v26'")));
    QVERIFY(sql.contains(QStringLiteral("成员2是否监护人='v40',  是否进城务工人员随迁子女='v41', 出生地行政区划代码2='v43'")));
    QVERIFY(sql.endsWith(QStringLiteral("成员2户口所在地行政区划2='v46'  where id = 12345")));
    QVERIFY(!sql.contains(QStringLiteral("班号")));
    QVERIFY(!sql.contains(QStringLiteral("2015301")));
}

void TestSaveStatements::wrongValueCountIsRefused()
{
    QStringList values = sampleValues();
    values.removeLast();
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SaveStatements::insertStatement(QStringLiteral("高一01"), values));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SaveStatements::updateStatement(QStringLiteral("高一01"), values, 1));
}

QTEST_GUILESS_MAIN(TestSaveStatements)
#include "tst_save_statements.moc"
