// The embedded province, city and county tables, their parser and lookups.
#include <QtTest>

#include <algorithm>
#include <climits>

#include "platform/app_error.h"
#include "core/region/region_tables.h"

class TestRegionTables : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void embeddedFilesHaveTheirExactShape();
    void listsAreCompleteAndSorted();
    void everyParentExists();
    void particularRows();
    void guangdongAndFoshan();
    void resolveRegionCode_data();
    void resolveRegionCode();
    void binarySearchFindsEveryRowAndNothingElse();
    void binarySearchOnSmallTables();
    void extractField_data();
    void extractField();
    void parserSkipsBlankLinesAndTrims();
    void parserIgnoresSurplusFields();
    void nonNumericCodeFailsAndKeepsTheLists_data();
    void nonNumericCodeFailsAndKeepsTheLists();

private:
    RegionTables m_tables;
};

static QByteArray gbk(const QString &text)
{
    return QStringEncoder("GB18030").encode(text);
}

static QByteArray resourceBytes(const QString &name)
{
    QFile file(QStringLiteral(":/regions/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void TestRegionTables::initTestCase()
{
    m_tables.LoadRegionTables();
}

void TestRegionTables::embeddedFilesHaveTheirExactShape()
{
    const QByteArray province = resourceBytes(QStringLiteral("g_Province"));
    const QByteArray city = resourceBytes(QStringLiteral("g_City"));
    const QByteArray area = resourceBytes(QStringLiteral("g_Area"));
    QCOMPARE(province.size(), 616);
    QCOMPARE(city.size(), 8910);
    QCOMPARE(area.size(), 77038);

    QVERIFY(province.startsWith(gbk(QStringLiteral("110000, 北京市\r\n"))));
    QVERIFY(province.endsWith(gbk(QStringLiteral("980000, 未申报\r\n\r\n"))));
    QVERIFY(area.startsWith(gbk(QStringLiteral("110101, 东城区, 110100\r\n"))));
    QVERIFY(city.endsWith(gbk(QStringLiteral("980000, 未申报, 980000"))));
    QVERIFY(area.endsWith(gbk(QStringLiteral("980000, 未申报, 980000"))));

    // Every row: six-digit code, comma and blank, name[, comma and blank, six-digit parent].
    const QRegularExpression provinceLine(QStringLiteral("^\\d{6}, [^, ]+$"));
    const QRegularExpression childLine(QStringLiteral("^\\d{6}, [^, ]+, \\d{6}$"));
    const QString provinceText = QStringDecoder("GB18030").decode(province);
    QStringList provinceRows = provinceText.split(QStringLiteral("\r\n"));
    QCOMPARE(provinceRows.size(), 37);
    QCOMPARE(provinceRows.takeLast(), QString());
    QCOMPARE(provinceRows.takeLast(), QString());
    for (const QString &row : provinceRows)
        QVERIFY2(provinceLine.match(row).hasMatch(), qPrintable(row));
    for (const QByteArray &bytes : {city, area}) {
        const QString text = QStringDecoder("GB18030").decode(bytes);
        QVERIFY(!text.contains(QChar(QChar::ReplacementCharacter)));
        for (const QString &row : text.split(QStringLiteral("\r\n")))
            QVERIFY2(childLine.match(row).hasMatch(), qPrintable(row));
    }
}

template<typename Row>
static bool strictlyAscending(const QList<Row> &rows)
{
    for (qsizetype i = 1; i < rows.size(); ++i) {
        if (rows.at(i - 1).CodeValue >= rows.at(i).CodeValue)
            return false;
    }
    return true;
}

void TestRegionTables::listsAreCompleteAndSorted()
{
    QCOMPARE(m_tables.ProvinceList().size(), 35);
    QCOMPARE(m_tables.CityList().size(), 352);
    QCOMPARE(m_tables.AreaList().size(), 3143);
    QVERIFY(strictlyAscending(m_tables.ProvinceList()));
    QVERIFY(strictlyAscending(m_tables.CityList()));
    QVERIFY(strictlyAscending(m_tables.AreaList()));

    // Code texts and values agree, in every table.
    for (const auto &row : m_tables.ProvinceList())
        QCOMPARE(row.Code, QString::number(row.CodeValue));
    for (const auto &row : m_tables.CityList())
        QVERIFY(row.Code == QString::number(row.CodeValue) && row.ParentCode == QString::number(row.ParentValue));
    for (const auto &row : m_tables.AreaList())
        QVERIFY(row.Code == QString::number(row.CodeValue) && row.ParentCode == QString::number(row.ParentValue));

    // g_City has 419000 after the Xinjiang rows; sorted it stands between Henan and Hubei.
    const auto &cities = m_tables.CityList();
    const auto at = std::find_if(cities.begin(), cities.end(), [](const auto &r) { return r.CodeValue == 419000; });
    QVERIFY(at != cities.end());
    QCOMPARE(at->Name, QStringLiteral("省直辖县级行政区划"));
    QCOMPARE((at - 1)->ParentValue, 410000);
    QCOMPARE((at + 1)->ParentValue, 420000);
}

void TestRegionTables::everyParentExists()
{
    for (const auto &city : m_tables.CityList())
        QVERIFY2(m_tables.FindProvinceByCode(city.ParentValue), qPrintable(city.Code));
    for (const auto &area : m_tables.AreaList())
        QVERIFY2(m_tables.FindCityByCode(area.ParentValue), qPrintable(area.Code));
}

void TestRegionTables::particularRows()
{
    const auto &provinces = m_tables.ProvinceList();
    QCOMPARE(provinces.first().Name, QStringLiteral("北京市"));
    QCOMPARE(provinces.last().Name, QStringLiteral("未申报"));
    QCOMPARE(m_tables.FindProvinceByCode(810000)->Name, QStringLiteral("香港特别行政区"));

    // Rows standing for their own province or city.
    for (int code : {710000, 810000, 820000, 980000}) {
        const TCODE_CITY_DATA *city = m_tables.FindCityByCode(code);
        QVERIFY(city);
        QCOMPARE(city->ParentValue, code);
    }
    for (int code : {442000, 460200, 710000, 810000, 820000, 980000}) {
        const TCODE_AREA_DATA *area = m_tables.FindAreaByCode(code);
        QVERIFY(area);
        QCOMPARE(area->ParentValue, code);
        QCOMPARE(area->Name, m_tables.FindCityByCode(code)->Name);
    }
    QCOMPARE(m_tables.FindAreaByCode(441901)->Name, QStringLiteral("东莞市"));
    QCOMPARE(m_tables.FindCityByCode(500300)->Name, QStringLiteral("市"));
    QCOMPARE(m_tables.FindCityByCode(520500)->Name, QStringLiteral("毕节市"));
    QCOMPARE(m_tables.FindCityByCode(522400)->Name, QStringLiteral("毕节地区"));
    QCOMPARE(m_tables.FindAreaByCode(110228)->Name, QStringLiteral("密云县"));

    // Cities without county rows.
    const auto &areas = m_tables.AreaList();
    for (int code : {341400, 500300, 522200, 522400}) {
        QVERIFY(m_tables.FindCityByCode(code));
        QVERIFY(std::none_of(areas.begin(), areas.end(), [code](const auto &r) { return r.ParentValue == code; }));
    }
    QCOMPARE(std::count_if(areas.begin(), areas.end(), [](const auto &r) { return r.Name == QStringLiteral("市辖区"); }),
             281);
}

void TestRegionTables::guangdongAndFoshan()
{
    QStringList cities;
    for (const auto &row : m_tables.CityList()) {
        if (row.ParentValue == 440000)
            cities << row.Name;
    }
    QCOMPARE(cities.size(), 21);
    QCOMPARE(cities.first(), QStringLiteral("广州市"));
    QCOMPARE(cities.last(), QStringLiteral("云浮市"));

    QStringList counties;
    for (const auto &row : m_tables.AreaList()) {
        if (row.ParentValue == 440600)
            counties << row.Name;
    }
    QCOMPARE(counties, QStringList({QStringLiteral("市辖区"), QStringLiteral("禅城区"), QStringLiteral("南海区"),
                                    QStringLiteral("顺德区"), QStringLiteral("三水区"), QStringLiteral("高明区")}));
}

void TestRegionTables::resolveRegionCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("county");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("province");
    QTest::newRow("禅城区") << 440604 << QStringLiteral("禅城区") << QStringLiteral("佛山市") << QStringLiteral("广东省");
    QTest::newRow("中山市") << 442000 << QStringLiteral("中山市") << QStringLiteral("中山市") << QStringLiteral("广东省");
    QTest::newRow("台湾") << 710000 << QStringLiteral("台湾") << QStringLiteral("台湾") << QStringLiteral("台湾省");
    QTest::newRow("未申报") << 980000 << QStringLiteral("未申报") << QStringLiteral("未申报") << QStringLiteral("未申报");
    QTest::newRow("first row") << 110101 << QStringLiteral("东城区") << QStringLiteral("市辖区") << QStringLiteral("北京市");
    QTest::newRow("county of a 省直辖 group") << 429004 << QStringLiteral("仙桃市") << QStringLiteral("省直辖行政单位")
                                            << QStringLiteral("湖北省");
    QTest::newRow("a city code") << 440600 << QString() << QString() << QString();
    QTest::newRow("zero") << 0 << QString() << QString() << QString();
    QTest::newRow("negative") << -440604 << QString() << QString() << QString();
    QTest::newRow("largest int") << INT_MAX << QString() << QString() << QString();
}

void TestRegionTables::resolveRegionCode()
{
    QFETCH(int, code);
    const RegionNames names = m_tables.ResolveRegionCode(code);
    QTEST(names.county, "county");
    QTEST(names.city, "city");
    QTEST(names.province, "province");
}

void TestRegionTables::binarySearchFindsEveryRowAndNothingElse()
{
    const auto &areas = m_tables.AreaList();
    QCOMPARE(m_tables.FindAreaByCode(110101), &areas.first());
    QCOMPARE(m_tables.FindAreaByCode(980000), &areas.last());
    QCOMPARE(m_tables.FindCityByCode(110100)->Name, QStringLiteral("市辖区"));
    QCOMPARE(m_tables.FindCityByCode(110100)->ParentValue, 110000);

    QSet<int> codes;
    for (const auto &row : areas)
        codes.insert(row.CodeValue);
    for (const auto &row : areas) {
        QCOMPARE(m_tables.FindAreaByCode(row.CodeValue), &row);
        for (int missing : {row.CodeValue - 1, row.CodeValue + 1}) {
            if (!codes.contains(missing))
                QVERIFY(!m_tables.FindAreaByCode(missing));
        }
    }
    for (const auto &row : m_tables.CityList()) {
        QCOMPARE(m_tables.FindCityByCode(row.CodeValue), &row);
        QVERIFY(!m_tables.FindCityByCode(row.CodeValue + 1));
    }
    QVERIFY(!m_tables.FindAreaByCode(110100));
    QVERIFY(!m_tables.FindAreaByCode(0));
    QVERIFY(!m_tables.FindAreaByCode(INT_MIN));
    QVERIFY(!m_tables.FindAreaByCode(INT_MAX));
    QVERIFY(!m_tables.FindCityByCode(100000));
    QVERIFY(!m_tables.FindProvinceByCode(110100));
}

// Tables of every size around the nine-row scan window: each row is found,
// values before, between and after the rows are not.
void TestRegionTables::binarySearchOnSmallTables()
{
    for (int size = 0; size <= 40; ++size) {
        QString areas;
        for (int i = 0; i < size; ++i)
            areas += QStringLiteral("%1, 区%2, 100100\r\n").arg(100110 + 10 * i).arg(i);
        RegionTables tables;
        tables.LoadRegionTables(QByteArray(), QByteArray(), gbk(areas));
        QCOMPARE(tables.AreaList().size(), size);
        for (int i = 0; i < size; ++i) {
            const TCODE_AREA_DATA *row = tables.FindAreaByCode(100110 + 10 * i);
            QVERIFY2(row && row->Name == QStringLiteral("区%1").arg(i), qPrintable(QString::number(size)));
        }
        for (int i = 0; i <= size; ++i)
            QVERIFY(!tables.FindAreaByCode(100105 + 10 * i));
        QVERIFY(!tables.FindCityByCode(100100));
        QCOMPARE(tables.ResolveRegionCode(100110).city, QString());
    }
}

void TestRegionTables::extractField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("after");
    QTest::newRow("first field") << "110000, 北京市" << 0 << "110000" << 7;
    QTest::newRow("last field runs to the end") << "110000, 北京市" << 7 << " 北京市" << 12;
    QTest::newRow("empty field between separators") << "a,,b" << 2 << "" << 3;
    QTest::newRow("field before a trailing separator") << "a,b," << 2 << "b" << 4;
    QTest::newRow("at the end") << "a,b," << 4 << "" << 4;
    QTest::newRow("past the end") << "a,b" << 4 << "" << 4;
    QTest::newRow("far past the end") << "a,b" << 99 << "" << 99;
    QTest::newRow("empty text") << "" << 0 << "" << 0;
    QTest::newRow("only a separator") << "," << 0 << "" << 1;
    QTest::newRow("no separator") << "abc" << 0 << "abc" << 4;
    QTest::newRow("inside a field") << "abc,def" << 1 << "bc" << 4;
}

void TestRegionTables::extractField()
{
    QFETCH(QString, text);
    QFETCH(int, position);
    QTEST(ExtractField(text, u',', position), "field");
    QTEST(position, "after");
}

void TestRegionTables::parserSkipsBlankLinesAndTrims()
{
    // CR, LF and CR LF each end a line; blank and control-only lines add no row.
    const QString provinces =
        QStringLiteral("\r\n  \t\r\n440000, 广东省\r110000 ,\t北京市  \n\x01\x02\n\r\n980000,未申报");
    RegionTables tables;
    tables.LoadRegionTables(gbk(provinces), QByteArray(), QByteArray());
    const auto &rows = tables.ProvinceList();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).Code, QStringLiteral("110000"));
    QCOMPARE(rows.at(0).Name, QStringLiteral("北京市"));
    QCOMPARE(rows.at(1).Name, QStringLiteral("广东省"));
    QCOMPARE(rows.at(2).CodeValue, 980000);
    QCOMPARE(rows.at(2).Name, QStringLiteral("未申报"));
}

void TestRegionTables::parserIgnoresSurplusFields()
{
    const QString provinces = QStringLiteral("110000, 北京市, 999999, x\r\n120000, 天津市,\r\n130000");
    const QString cities = QStringLiteral("110100, 市辖区, 110000, 5, 6\r\n110200, , 110000\r\n120100, 市辖区,\r\n");
    RegionTables tables;
    tables.LoadRegionTables(gbk(provinces), gbk(cities), QByteArray());

    const auto &p = tables.ProvinceList();
    QCOMPARE(p.size(), 3);
    QCOMPARE(p.at(0).Name, QStringLiteral("北京市"));
    QCOMPARE(p.at(1).Name, QStringLiteral("天津市"));
    QCOMPARE(p.at(2).Name, QString());

    const auto &c = tables.CityList();
    QCOMPARE(c.size(), 3);
    QCOMPARE(c.at(0).ParentValue, 110000);
    QCOMPARE(c.at(1).Name, QString());
    QCOMPARE(c.at(1).ParentCode, QStringLiteral("110000"));
    // A comma at the end adds no field: the parent stays empty.
    QCOMPARE(c.at(2).ParentCode, QString());
    QCOMPARE(c.at(2).ParentValue, 0);
}

void TestRegionTables::nonNumericCodeFailsAndKeepsTheLists_data()
{
    QTest::addColumn<QString>("cities");
    QTest::addColumn<QString>("where");
    QTest::newRow("code") << "110100, 市辖区, 110000\r\n11O200, 县, 110000" << "第 2 行";
    QTest::newRow("parent") << "110100, 市辖区, 11oooo" << "第 1 行";
    QTest::newRow("empty code") << ", 市辖区, 110000" << "第 1 行";
    QTest::newRow("too large") << "99999999999, 市辖区, 110000" << "第 1 行";
}

void TestRegionTables::nonNumericCodeFailsAndKeepsTheLists()
{
    QFETCH(QString, cities);
    QFETCH(QString, where);
    RegionTables tables;
    tables.LoadRegionTables(gbk(QStringLiteral("110000, 北京市")), QByteArray(), QByteArray());
    try {
        tables.LoadRegionTables(gbk(QStringLiteral("120000, 天津市")), gbk(cities), QByteArray());
        QFAIL("no error");
    } catch (const AppError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("g_City")) && e.text().contains(where), qPrintable(e.text()));
    }
    QCOMPARE(tables.ProvinceList().size(), 1);
    QCOMPARE(tables.ProvinceList().first().Name, QStringLiteral("北京市"));
    QVERIFY(tables.CityList().isEmpty());
}

QTEST_GUILESS_MAIN(TestRegionTables)
#include "tst_region_tables.moc"
