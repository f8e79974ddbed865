// The single content rules and text clean-up of a student record's values.
#include <QtTest>

#include "core/record/entry_rules.h"

using namespace EntryRules;

class TestEntryRules : public QObject
{
    Q_OBJECT

private slots:
    void allDigits_data();
    void allDigits();
    void idNumberShape_data();
    void idNumberShape();
    void stripBlanks_data();
    void stripBlanks();
    void trimControlsDiffersFromQtTrimmed();
    void classCode_data();
    void classCode();
    void birthDate_data();
    void birthDate();
    void jiguan_data();
    void jiguan();
    void messageTexts();
    void halfWidthDigitsAndLettersOnly();
};

void TestEntryRules::allDigits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("digits");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("one digit postcode") << "5" << true;
    QTest::newRow("postcode") << "528300" << true;
    QTest::newRow("mobile") << "13800138000" << true;
    QTest::newRow("inner blank") << "0757 2233" << false;
    QTest::newRow("leading blank") << " 528300" << false;
    QTest::newRow("trailing blank") << "528300 " << false;
    QTest::newRow("hyphen") << "0757-22334455" << false;
    QTest::newRow("letter") << "52830O" << false;
    QTest::newRow("full-width digits") << "５２８３００" << false;
    QTest::newRow("plus sign") << "+8613800138000" << false;
}

void TestEntryRules::allDigits()
{
    QFETCH(QString, text);
    QFETCH(bool, digits);
    QCOMPARE(IsAllDigits(text), digits);
}

void TestEntryRules::idNumberShape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("15 digits") << "440606850315123" << true;
    QTest::newRow("18 digits") << "440606200903151234" << true;
    QTest::newRow("17 digits and X") << "44060620090315123X" << true;
    QTest::newRow("17 digits and x") << "44060620090315123x" << true;
    QTest::newRow("18 chars, only the last is x") << "abcdefghijklmnopqx" << true;
    QTest::newRow("15 chars ending in X") << "ABCDEFGHIJKLMNX" << true;
    QTest::newRow("16 digits") << "4406068503151234" << false;
    QTest::newRow("17 digits") << "44060620090315123" << false;
    QTest::newRow("19 digits") << "4406062009031512345" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("18 chars, X inside") << "4406062009X3151234" << false;
    QTest::newRow("18 chars ending in Y") << "44060620090315123Y" << false;
    QTest::newRow("15 digits with a trailing blank") << "440606850315123 " << false;
    QTest::newRow("blank, 16 digits and X") << " 4406062009031512X" << true;
    QTest::newRow("18 chars with a blank, digits") << "44060620090 151234" << false;
}

void TestEntryRules::idNumberShape()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidIdNumber(text), valid);
}

void TestEntryRules::stripBlanks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("blanks around and between") << " 张 三 " << "张三";
    QTest::newRow("address loses every inner blank") << "佛山市 顺德区  大良街道 1 号" << "佛山市顺德区大良街道1号";
    QTest::newRow("tab and line end trimmed") << "\t张三\r\n" << "张三";
    QTest::newRow("inner tab kept") << "张\t三" << "张\t三";
    QTest::newRow("control characters at the ends") << QString::fromUtf16(u"\u0001张三\u001f") << "张三";
    QTest::newRow("ideographic space kept") << QString::fromUtf16(u"\u3000张三\u3000") << QString::fromUtf16(u"\u3000张三\u3000");
    QTest::newRow("no case change") << "Li Ming" << "LiMing";
    QTest::newRow("only blanks") << "   " << "";
    QTest::newRow("quote kept") << "O' Brien" << "O'Brien";
}

void TestEntryRules::stripBlanks()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QCOMPARE(StripBlanks(typed), stored);
}

void TestEntryRules::trimControlsDiffersFromQtTrimmed()
{
    // Every character up to code 32 goes, whatever Unicode calls it; nothing above 32 does.
    const QString controls = QString::fromUtf16(u"\u0001\u0002 张 三\u0000\u001b");
    QCOMPARE(trimControls(controls), QStringLiteral("张 三"));
    QVERIFY(controls.trimmed() != trimControls(controls));

    const QString unicodeSpaces = QString::fromUtf16(u"\u3000\u00a0张三\u2003");
    QCOMPARE(trimControls(unicodeSpaces), unicodeSpaces);
    QCOMPARE(unicodeSpaces.trimmed(), QStringLiteral("张三"));

    QCOMPARE(trimControls(QStringLiteral("  ")), QString());
    QCOMPARE(trimControls(QString()), QString());
}

void TestEntryRules::classCode_data()
{
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("classNumber");
    QTest::addColumn<QString>("code");
    QTest::newRow("senior") << "2015" << "高一01" << "01" << "2015301";
    QTest::newRow("junior") << "2014" << "初二12" << "12" << "2014212";
    QTest::newRow("primary") << "2013" << "小三05" << "05" << "2013105";
    QTest::newRow("other stage") << "2015" << "合并表" << "01" << "2015001";
    QTest::newRow("year typed outside the list") << "2016" << "高三30" << "30" << "2016330";
}

void TestEntryRules::classCode()
{
    QFETCH(QString, year);
    QFETCH(QString, table);
    QFETCH(QString, classNumber);
    QFETCH(QString, code);
    QCOMPARE(EntryRules::classCode(year, table, classNumber), code);
}

void TestEntryRules::birthDate_data()
{
    QTest::addColumn<QDate>("birth");
    QTest::addColumn<QDateTime>("startup");
    QTest::addColumn<bool>("accepted");
    const QDateTime midnight(QDate(2015, 10, 15), QTime(0, 0));
    const QDateTime morning(QDate(2015, 10, 15), QTime(10, 30));
    const QDate day = midnight.date();
    QTest::newRow("1826 days at 00:00") << day.addDays(-1826) << midnight << false;
    QTest::newRow("1827 days at 00:00") << day.addDays(-1827) << midnight << true;
    QTest::newRow("1826 days at 10:30") << day.addDays(-1826) << morning << true;
    QTest::newRow("1825 days at 23:59") << day.addDays(-1825) << QDateTime(day, QTime(23, 59)) << false;
    QTest::newRow("same day as start-up") << day << morning << false;
    QTest::newRow("a year ago") << QDate(2014, 10, 15) << morning << false;
    QTest::newRow("ordinary pupil") << QDate(2000, 3, 15) << morning << true;
    // The difference is absolute: a date far enough in the future passes too.
    QTest::newRow("1827 days after start-up") << day.addDays(1827) << midnight << true;
    QTest::newRow("1826 days after start-up") << day.addDays(1826) << midnight << false;
    // A birth date after the start-up: the time of day shortens the distance
    // (1826 days before 10:30 pass, 1826 days after do not).
    QTest::newRow("1826 days after a 10:30 start-up") << day.addDays(1826) << morning << false;
    QTest::newRow("invalid date") << QDate() << morning << false;
}

void TestEntryRules::birthDate()
{
    QFETCH(QDate, birth);
    QFETCH(QDateTime, startup);
    QFETCH(bool, accepted);
    QCOMPARE(birthDateAccepted(birth, startup), accepted);
}

void TestEntryRules::jiguan_data()
{
    QTest::addColumn<QString>("jiguan");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("province city district") << "广东省佛山市顺德区" << true;
    QTest::newRow("province city county") << "湖南省邵阳市隆回县" << true;
    QTest::newRow("any order") << "顺德区佛山市广东省" << true;
    QTest::newRow("no province") << "北京市海淀区" << false;
    QTest::newRow("no county or district") << "广东省佛山市" << false;
    QTest::newRow("no city") << "广东省顺德区" << false;
    QTest::newRow("empty") << "" << false;
}

void TestEntryRules::jiguan()
{
    QFETCH(QString, jiguan);
    QFETCH(bool, accepted);
    QCOMPARE(jiguanAccepted(jiguan), accepted);
}

void TestEntryRules::messageTexts()
{
    QCOMPARE(emptyFieldsMessage(12),
             QStringLiteral("检测到有 12 处未完成的项目，已以其它颜色标示。请填写完全才能提交。如果不确定要怎么填，请咨询在场的老师。"));
    QCOMPARE(jiguanMessage(QStringLiteral("北京市海淀区")),
             QStringLiteral("北京市海淀区 --籍贯未包含省市区县等关键字。一般来讲要这样写：xx省xx市xx区(县)。\r\n"
                            "点击确定按钮则不理该提示 继续保存。"));
}

void TestEntryRules::halfWidthDigitsAndLettersOnly()
{
    QCOMPARE(halfWidth(QStringLiteral("１３８ＡｂＺｚ０９")), QStringLiteral("138AbZz09"));
    // Full-width punctuation, the ideographic space and Chinese stay as they are.
    const QString kept = QString::fromUtf16(u"（－）\u3000，张三＃");
    QCOMPARE(halfWidth(kept), kept);
}

QTEST_GUILESS_MAIN(TestEntryRules)
#include "tst_entry_rules.moc"
