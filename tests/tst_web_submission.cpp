// A record sent through the web form is judged with the entry form's rules and
// stored with the form's encodings; the page's region data leads to counties
// the judging takes.
#include <QtTest>

#include "core/record/record_columns.h"
#include "core/region/region_tables.h"
#include "core/webform/web_form_fields.h"
#include "core/webform/web_submission.h"
#include "test_env.h"
#include "web_form_inputs.h"

using namespace RecordColumns;

namespace {

const QString kTable = QStringLiteral("高一01");

QStringList fieldsWithVerdicts(const WebSubmission::Judgement &j)
{
    QStringList fields;
    for (const WebSubmission::Verdict &v : j.verdicts) {
        if (v.refuses)
            fields << v.field;
    }
    fields.removeDuplicates(); // a date too young and unlike the ID number's is said twice
    return fields;
}

} // namespace

class TestWebSubmission : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_regions.LoadRegionTables(); }
    void refusesWhatTheFormRefuses_data();
    void refusesWhatTheFormRefuses();
    void goodRecordStoredAsTheFormStoresIt();
    void pageRegionDataLeadsToAcceptedCounties();

private:
    RegionTables m_regions;
};

void TestWebSubmission::refusesWhatTheFormRefuses_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("verdictOn");
    QTest::newRow("check character") << "身份证件号" << "440606200003151243" << "身份证件号";
    QTest::newRow("id number shape") << "身份证件号" << "44060620000315" << "身份证件号";
    QTest::newRow("id says a boy") << "性别" << "1-男" << "性别";
    QTest::newRow("name too long") << "姓名" << QString(17, QChar(u'张')) << "姓名";
    QTest::newRow("line break") << "现住址" << "大良\n街道" << "现住址";
    QTest::newRow("not an item") << "民族" << "火星族" << "民族";
    QTest::newRow("item name only") << "性别" << "女" << "性别";
    QTest::newRow("unknown county") << "出生地行政区划代码" << "449999" << "出生地行政区划代码";
    QTest::newRow("a city, no county") << "户口所在地行政区划" << "440600" << "户口所在地行政区划";
    QTest::newRow("no date") << "出生日期" << "2000-02-30" << "出生日期";
    QTest::newRow("too young") << "出生日期" << "2013-03-15" << "出生日期";
    QTest::newRow("postcode letters") << "邮政编码" << "52830A" << "邮政编码";
    QTest::newRow("empty phone") << "联系电话" << "" << "联系电话";
    QTest::newRow("empty list") << "成员2关系" << "" << "成员2关系";
}

void TestWebSubmission::refusesWhatTheFormRefuses()
{
    QFETCH(QString, field);
    QFETCH(QString, sent);
    QFETCH(QString, verdictOn);
    QHash<QString, QString> fields = WebFormInputs::driversPupil(m_regions);
    fields[field] = sent;
    const WebSubmission::Judgement j = WebSubmission::judge(fields, kTable, TestEnv::defaultNow(), m_regions);
    QVERIFY(!j.accepted());
    QCOMPARE(fieldsWithVerdicts(j), QStringList{verdictOn});
    const QJsonObject json = j.toJson();
    QVERIFY(!json.value("accepted").toBool());
    QVERIFY(!json.value("verdicts").toObject().value(verdictOn).toArray().first().toString().isEmpty());
}

void TestWebSubmission::goodRecordStoredAsTheFormStoresIt()
{
    QHash<QString, QString> fields = WebFormInputs::driversPupil(m_regions, QStringLiteral("张 三"),
                                                                 QStringLiteral("４４０６０６２０００１１１１１３８x"));
    // A school's field sent anyway is not the parent's to set.
    fields.insert(QStringLiteral("班号"), QStringLiteral("1999301"));
    fields.insert(QStringLiteral("是否需要申请资助"), QStringLiteral("1-是"));
    // Left for the ID number to give, as the import does.
    fields.remove(QStringLiteral("性别"));
    fields.remove(QStringLiteral("出生日期"));
    fields[QStringLiteral("籍贯")] = QStringLiteral("佛山顺德"); // a question only
    const WebSubmission::Judgement j = WebSubmission::judge(fields, kTable, TestEnv::defaultNow(), m_regions);
    QVERIFY2(j.accepted(), qPrintable(QJsonDocument(j.toJson()).toJson()));
    QCOMPARE(j.toJson().value("questions").toObject().keys(), QStringList{"籍贯"});
    const QStringList &v = j.values;
    QCOMPARE(v.size(), int(Count));
    QCOMPARE(v.at(Name), QStringLiteral("张三"));
    QCOMPARE(v.at(CardNo), QStringLiteral("44060620001111138X"));
    QCOMPARE(v.at(Sex), QStringLiteral("2-女"));
    QCOMPARE(v.at(BirthDate), QStringLiteral("20001111"));
    QCOMPARE(v.at(BirthRegion), QStringLiteral("440606000000"));
    QCOMPARE(v.at(BirthRegionText), QStringLiteral("广东省佛山市顺德区"));
    QCOMPARE(v.at(Addr), QStringLiteral("佛山市顺德区大良街道1号"));
    QCOMPARE(v.at(EntryYearMonth), QStringLiteral("201509"));
    QCOMPARE(v.at(ClassCode), QStringLiteral("2015301"));
    QCOMPARE(v.at(Zizhu), QStringLiteral("0-否"));
    QCOMPARE(v.at(Yibu), QStringLiteral("0-否"));
}

void TestWebSubmission::pageRegionDataLeadsToAcceptedCounties()
{
    const QJsonObject description = WebFormFields::describe(RegionNames{});
    QStringList names;
    for (const QJsonValue &f : description.value("fields").toArray())
        names << f.toObject().value("name").toString();
    for (const QString &school : {"班号", "入学年月", "是否需要申请资助", "是否享受一补", "出生地行政区划代码2"})
        QVERIFY2(!names.contains(school), qPrintable(school));

    // 广东省 -> 佛山市 -> 禅城区 as the pickers walk it.
    int guangdong = 0;
    for (const QJsonValue &p : WebFormFields::provinces(m_regions))
        if (p.toObject().value("name").toString() == QStringLiteral("广东省"))
            guangdong = p.toObject().value("code").toInt();
    int chancheng = 0;
    for (const QJsonValue &c : WebFormFields::province(m_regions, guangdong).value("cities").toArray())
        if (c.toObject().value("name").toString() == QStringLiteral("佛山市"))
            for (const QJsonValue &a : c.toObject().value("counties").toArray())
                if (a.toObject().value("name").toString() == QStringLiteral("禅城区"))
                    chancheng = a.toObject().value("code").toInt();
    QVERIFY(chancheng != 0);
    QVERIFY(WebFormFields::province(m_regions, chancheng).isEmpty());

    QHash<QString, QString> fields = WebFormInputs::driversPupil(m_regions);
    fields[QStringLiteral("成员2户口所在地行政区划")] = QString::number(chancheng);
    const WebSubmission::Judgement j = WebSubmission::judge(fields, kTable, TestEnv::defaultNow(), m_regions);
    QVERIFY(j.accepted());
    QCOMPARE(j.values.at(Member2RegionText), QStringLiteral("广东省佛山市禅城区"));
}

QTEST_GUILESS_MAIN(TestWebSubmission)
#include "tst_web_submission.moc"
