// The cascading province / city / county picker on real combo boxes.
#include <QtTest>

#include "core/keeping/school_settings.h"

#include <QComboBox>
#include <QWidget>

#include "core/keeping/school_settings.h"
#include "region/region_picker.h"
#include "core/region/region_tables.h"
#include "region/picker_select_by_text.h"

class TestRegionPicker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void provincesFilledInCodeOrder();
    void beijingCascade();
    void ownRowProvinces_data();
    void ownRowProvinces();
    void cityWithoutCounties();
    void anotherProvinceEmptiesTheCounties();
    void itemDataIdentifiesRepeatedNames();
    void keyboardChoiceRunsTheHandler();
    void selectDefault();
    void storedCodeAndNameText();
    void showRegion();
    void showUnknownRegionLeavesEverythingEmpty();
    void selectItemByTextIgnoresCase();
    void selectItemByTextWithUnknownText();

private:
    QStringList texts(const QComboBox *box) const;
    void choose(QComboBox *box, const QString &text);

    RegionTables m_tables;
    QWidget *m_form = nullptr;
    QComboBox *m_prov = nullptr;
    QComboBox *m_city = nullptr;
    QComboBox *m_area = nullptr;
    RegionPicker *m_picker = nullptr;
    int m_focusAway = 0;
};

QStringList TestRegionPicker::texts(const QComboBox *box) const
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

// What a user's pick does: the current item changes and activated is emitted.
void TestRegionPicker::choose(QComboBox *box, const QString &text)
{
    const int index = box->findText(text, Qt::MatchExactly);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void TestRegionPicker::initTestCase()
{
    m_tables.LoadRegionTables();
}

void TestRegionPicker::init()
{
    m_form = new QWidget;
    m_prov = new QComboBox(m_form);
    m_city = new QComboBox(m_form);
    m_area = new QComboBox(m_form);
    m_focusAway = 0;
    m_picker = new RegionPicker(m_prov, m_city, m_area, m_tables, [this] { ++m_focusAway; }, m_form);
    m_picker->fillProvinces();
    m_form->show();
}

void TestRegionPicker::cleanup()
{
    delete m_form;
}

void TestRegionPicker::provincesFilledInCodeOrder()
{
    QCOMPARE(m_prov->count(), 35);
    QCOMPARE(m_prov->itemText(0), QStringLiteral("北京市"));
    QCOMPARE(m_prov->itemData(0).toInt(), 110000);
    QCOMPARE(m_prov->itemText(34), QStringLiteral("未申报"));
    QCOMPARE(m_prov->itemData(34).toInt(), 980000);
    QCOMPARE(m_prov->currentIndex(), -1);
    QCOMPARE(m_city->count(), 0);
    QCOMPARE(m_area->count(), 0);
    QCOMPARE(m_focusAway, 0);
}

void TestRegionPicker::beijingCascade()
{
    choose(m_prov, QStringLiteral("北京市"));
    QCOMPARE(texts(m_city), QStringList({QStringLiteral("市辖区"), QStringLiteral("县")}));
    QCOMPARE(m_city->itemData(1).toInt(), 110200);
    QCOMPARE(m_city->currentIndex(), -1);
    QCOMPARE(m_city->currentText(), QString());
    QCOMPARE(m_area->count(), 0);
    QCOMPARE(m_focusAway, 1);

    choose(m_city, QStringLiteral("县"));
    QCOMPARE(texts(m_area), QStringList({QStringLiteral("密云县"), QStringLiteral("延庆县")}));
    QCOMPARE(m_area->itemData(0).toInt(), 110228);
    QCOMPARE(m_area->currentIndex(), -1);
    QCOMPARE(m_focusAway, 2);
    QCOMPARE(m_picker->storedCode(), QString());
}

void TestRegionPicker::ownRowProvinces_data()
{
    QTest::addColumn<QString>("province");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("台湾省") << QStringLiteral("台湾省") << QStringLiteral("台湾") << 710000;
    QTest::newRow("香港特别行政区") << QStringLiteral("香港特别行政区") << QStringLiteral("香港") << 810000;
    QTest::newRow("未申报") << QStringLiteral("未申报") << QStringLiteral("未申报") << 980000;
}

void TestRegionPicker::ownRowProvinces()
{
    QFETCH(QString, province);
    QFETCH(QString, name);
    QFETCH(int, code);
    choose(m_prov, province);
    QCOMPARE(texts(m_city), QStringList({name}));
    choose(m_city, name);
    QCOMPARE(texts(m_area), QStringList({name}));
    m_area->setCurrentIndex(0);
    QCOMPARE(m_picker->storedCode(), QString::number(code) + QStringLiteral("000000"));
}

void TestRegionPicker::cityWithoutCounties()
{
    choose(m_prov, QStringLiteral("安徽省"));
    choose(m_city, QStringLiteral("巢湖市"));
    QCOMPARE(m_area->count(), 0);
    QCOMPARE(m_picker->storedCode(), QString());
    QCOMPARE(m_picker->nameText(), QStringLiteral("安徽省巢湖市"));
}

void TestRegionPicker::anotherProvinceEmptiesTheCounties()
{
    choose(m_prov, QStringLiteral("广东省"));
    choose(m_city, QStringLiteral("佛山市"));
    choose(m_area, QStringLiteral("顺德区"));
    choose(m_prov, QStringLiteral("湖北省"));
    QCOMPARE(m_area->count(), 0);
    QCOMPARE(m_city->currentIndex(), -1);
    QCOMPARE(m_city->count(), 14);
    QCOMPARE(m_city->itemText(0), QStringLiteral("武汉市"));
    QCOMPARE(m_city->itemText(13), QStringLiteral("省直辖行政单位"));
    QCOMPARE(m_picker->storedCode(), QString());
    QCOMPARE(m_picker->nameText(), QStringLiteral("湖北省"));
}

// 市辖区 is the first city of several provinces: the item's data, not its
// text, decides which counties follow.
void TestRegionPicker::itemDataIdentifiesRepeatedNames()
{
    choose(m_prov, QStringLiteral("天津市"));
    QCOMPARE(m_city->itemText(0), QStringLiteral("市辖区"));
    QCOMPARE(m_city->itemData(0).toInt(), 120100);
    choose(m_city, QStringLiteral("市辖区"));
    QCOMPARE(m_area->itemText(0), QStringLiteral("和平区"));
    QCOMPARE(m_area->itemData(0).toInt(), 120101);
}

void TestRegionPicker::keyboardChoiceRunsTheHandler()
{
    m_prov->setFocus();
    QTest::keyClick(m_prov, Qt::Key_End);
    QCOMPARE(m_prov->currentText(), QStringLiteral("未申报"));
    QCOMPARE(texts(m_city), QStringList({QStringLiteral("未申报")}));
    QCOMPARE(m_focusAway, 1);
    QTest::keyClick(m_prov, Qt::Key_Home);
    QCOMPARE(texts(m_city), QStringList({QStringLiteral("市辖区"), QStringLiteral("县")}));
    QCOMPARE(m_focusAway, 2);
}

void TestRegionPicker::selectDefault()
{
    choose(m_prov, QStringLiteral("北京市"));
    choose(m_city, QStringLiteral("县"));
    const int before = m_focusAway;
    m_picker->selectDefault(SchoolSettings::builtInRegion());
    QCOMPARE(m_focusAway, before + 2);
    QCOMPARE(m_prov->currentText(), QStringLiteral("广东省"));
    QCOMPARE(m_city->currentText(), QStringLiteral("佛山市"));
    QCOMPARE(m_city->currentData().toInt(), 440600);
    QCOMPARE(m_city->itemText(0), QStringLiteral("广州市"));
    QCOMPARE(m_city->itemText(m_city->count() - 1), QStringLiteral("云浮市"));
    QCOMPARE(texts(m_area), QStringList({QStringLiteral("市辖区"), QStringLiteral("禅城区"), QStringLiteral("南海区"),
                                         QStringLiteral("顺德区"), QStringLiteral("三水区"), QStringLiteral("高明区")}));
    QCOMPARE(m_area->currentIndex(), -1);
    QCOMPARE(m_picker->storedCode(), QString());
    QCOMPARE(m_picker->nameText(), QStringLiteral("广东省佛山市"));

    // A second default (a form reset) gives the same lists, not doubled ones.
    m_picker->selectDefault(SchoolSettings::builtInRegion());
    QCOMPARE(m_area->count(), 6);
    QCOMPARE(m_city->count(), 21);

    // A school's own default, county included; one the tables do not know is the built-in one.
    RegionNames school;
    school.province = QStringLiteral("湖南省");
    school.city = QStringLiteral("长沙市");
    school.county = QStringLiteral("岳麓区");
    m_picker->selectDefault(school);
    QCOMPARE(m_picker->nameText(), QStringLiteral("湖南省长沙市岳麓区"));
    QCOMPARE(m_picker->storedCode(), QStringLiteral("430104000000"));
    school.province = QStringLiteral("湖南");
    m_picker->selectDefault(school);
    QCOMPARE(m_picker->nameText(), QStringLiteral("广东省佛山市"));
}

void TestRegionPicker::storedCodeAndNameText()
{
    choose(m_prov, QStringLiteral("北京市"));
    choose(m_city, QStringLiteral("市辖区"));
    choose(m_area, QStringLiteral("东城区"));
    QCOMPARE(m_picker->storedCode(), QStringLiteral("110101000000"));
    QCOMPARE(m_picker->nameText(), QStringLiteral("北京市市辖区东城区"));
}

void TestRegionPicker::showRegion()
{
    m_picker->selectDefault(SchoolSettings::builtInRegion());
    m_picker->showRegion(m_tables.ResolveRegionCode(110229));
    QCOMPARE(m_prov->currentText(), QStringLiteral("北京市"));
    QCOMPARE(texts(m_city), QStringList({QStringLiteral("市辖区"), QStringLiteral("县")}));
    QCOMPARE(m_city->currentText(), QStringLiteral("县"));
    QCOMPARE(m_area->currentText(), QStringLiteral("延庆县"));
    QCOMPARE(m_picker->storedCode(), QStringLiteral("110229000000"));

    m_picker->showRegion(m_tables.ResolveRegionCode(442000));
    QCOMPARE(m_picker->nameText(), QStringLiteral("广东省中山市中山市"));
    QCOMPARE(m_picker->storedCode(), QStringLiteral("442000000000"));
}

void TestRegionPicker::showUnknownRegionLeavesEverythingEmpty()
{
    m_picker->selectDefault(SchoolSettings::builtInRegion());
    m_picker->showRegion(m_tables.ResolveRegionCode(440600));
    QCOMPARE(m_prov->currentIndex(), -1);
    QCOMPARE(m_prov->count(), 35);
    QCOMPARE(m_city->count(), 0);
    QCOMPARE(m_area->count(), 0);
    QCOMPARE(m_picker->storedCode(), QString());
    QCOMPARE(m_picker->nameText(), QString());
}

void TestRegionPicker::selectItemByTextIgnoresCase()
{
    QComboBox nation;
    nation.addItems({QStringLiteral("CHN-中国"), QStringLiteral("HK-香港"), QStringLiteral("Hk-香港")});
    nation.setCurrentIndex(-1);
    QSignalSpy changed(&nation, &QComboBox::currentIndexChanged);
    SelectItemByText(&nation, QStringLiteral("chn-中国"));
    QCOMPARE(nation.currentIndex(), 0);
    QCOMPARE(nation.currentText(), QStringLiteral("CHN-中国"));
    // The first of two items that differ only in case.
    SelectItemByText(&nation, QStringLiteral("hK-香港"));
    QCOMPARE(nation.currentIndex(), 1);
    QCOMPARE(changed.count(), 0);
}

void TestRegionPicker::selectItemByTextWithUnknownText()
{
    m_picker->selectDefault(SchoolSettings::builtInRegion());
    const int before = m_focusAway;
    SelectItemByText(m_prov, QStringLiteral("广东"));
    QCOMPARE(m_prov->currentIndex(), -1);
    QCOMPARE(m_prov->currentText(), QString());
    // No handler ran: the lists below are as they were.
    QCOMPARE(m_city->currentText(), QStringLiteral("佛山市"));
    QCOMPARE(m_area->count(), 6);
    QCOMPARE(m_focusAway, before);

    // An editable list loses its typed text too.
    QComboBox year;
    year.setEditable(true);
    year.addItems({QStringLiteral("2014"), QStringLiteral("2015")});
    year.setEditText(QStringLiteral("2016"));
    SelectItemByText(&year, QStringLiteral("2013"));
    QCOMPARE(year.currentIndex(), -1);
    QCOMPARE(year.currentText(), QString());
}

QTEST_MAIN(TestRegionPicker)
#include "tst_region_picker.moc"
