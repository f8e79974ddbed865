// The entry form's layout (lists, lengths, states, names, order) and its own
// behaviour: reset, focus after a choice, wheel, teacher button, show and close.
#include <QtTest>

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "app/chinese_locale.h"
#include "entry_form_driver.h"
#include "entry/entry_form.h"
#include "entry/teacher_lock.h"
#include "core/record/entry_rules.h"
#include "platform/app_error.h"
#include "core/region/region_tables.h"
#include "test_env.h"

namespace {

const QStringList kNoYes = {QStringLiteral("0-否"), QStringLiteral("1-是")};
const QStringList kFoshanCounties = {QStringLiteral("市辖区"), QStringLiteral("禅城区"), QStringLiteral("南海区"),
                                     QStringLiteral("顺德区"), QStringLiteral("三水区"), QStringLiteral("高明区")};
const QDateTime kStartup(QDate(2014, 10, 15), QTime(9, 45));

QStringList itemsOf(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

const RegionTables &regionTables()
{
    static const RegionTables tables = [] {
        RegionTables t;
        t.LoadRegionTables();
        return t;
    }();
    return tables;
}

// A form as the class setup leaves it for 高一 01 on 15 October 2014.
struct SetUpForm
{
    TestEnv env{kStartup};
    EntryForm form{env.services};

    SetUpForm()
    {
        form.setStartupDate(kStartup);
        form.ResetEntryForm();
        form.showClass(QStringLiteral("高一"), QStringLiteral("01"));
        form.setEntryYears(2015);
        form.preselectEntryYear(2014);
        form.setRegionTables(&regionTables());
        form.fillProvincePickers();
        form.selectDefaultRegions();
    }

    template<typename T>
    T *find(const char *name) const
    {
        T *w = form.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
};

} // namespace

class TestEntryForm : public QObject
{
    Q_OBJECT

private slots:
    void fixedItemLists_data();
    void fixedItemLists();
    void ethnicAndNationalityLists();
    void maxLengths_data();
    void maxLengths();
    void initialStates();
    void dataControlsFollowTheFormAndTabOrder();
    void accessibleNames();
    void entryYears();
    void resetClearsAllButMarkedAndReadOnly();
    void resetBeforeProvincesAreFilled();
    void closedListsStepWithTheKeyboard();
    void enterMovesToTheNextField();
    void dateTypedAfterAClickIsTaken();
    void residentIdNumberFillsBirthDateAndSex();
    void wheelScrollsOneLineStep();
    void openListsShowTheirVisibleItemCount();
    void teacherButtonShowsEditControlsAndKeepsWindow();
    void teacherButtonReportsFailure();
    void showScrollsToTopAndFocusesName();
    void chineseWhateverTheSystemLocale();
    void closingEndsTheApplication();
};

void TestEntryForm::fixedItemLists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("cbSex") << "cbSex" << QStringList{"1-男", "2-女"};
    QTest::newRow("cbCardType") << "cbCardType"
                                << QStringList{"1-居民身份证", "6-香港特区护照/身份证明", "7-澳门特区护照/身份证明",
                                               "8-台湾居民来往大陆通行证", "9-境外永久居住证", "A-护照", "Z-其他"};
    QTest::newRow("cbQiao") << "cbQiao"
                            << QStringList{"00-否", "01-香港同胞", "02-香港同胞亲属", "03-澳门同胞", "04-澳门同胞亲属",
                                           "05-台湾同胞", "06-台湾同胞亲属", "11-华侨", "12-侨眷", "13-归侨",
                                           "14-归侨子女", "21-归国留学人员", "31-非华裔中国人", "41-外籍华裔人",
                                           "51-外国人", "99-其他"};
    QTest::newRow("cbPolicy") << "cbPolicy" << QStringList{"01-中共党员", "02-中共预备党员", "03-共青团员", "13-群众"};
    QTest::newRow("cbHealth") << "cbHealth"
                              << QStringList{"10-健康或良好", "20-一般或较弱", "30-有慢性病", "40-有生理缺陷", "50-残疾"};
    QTest::newRow("cbHukou") << "cbHukou" << QStringList{"非农业户口", "农业户口"};
    QTest::newRow("cbRuxueFangshi") << "cbRuxueFangshi"
                                    << QStringList{"11-就近入学", "21-统一招生考试/普通入学", "22-体育特招",
                                                   "23-艺术特招", "12-义务教育阶段其他", "99-高中阶段其他"};
    QTest::newRow("cbJiudu") << "cbJiudu" << QStringList{"1-走读", "2-住校"};
    for (const char *name : {"cbDusheng", "cbXueqian", "cbJincheng", "cbGuer", "cbLieshi", "cbJianhu1", "cbJianhu2",
                             "cbZizhu", "cbYibu"})
        QTest::newRow(name) << name << kNoYes;
    QTest::newRow("cbLiushou") << "cbLiushou" << QStringList{"0-非留守儿童", "1-单亲留守儿童", "2-双亲留守儿童"};
    const QStringList relations{"1-父亲", "2-母亲", "3-祖父母或外祖父母", "4-兄弟姐妹", "9-其他"};
    QTest::newRow("cbGuanxi1") << "cbGuanxi1" << relations;
    QTest::newRow("cbGuanxi2") << "cbGuanxi2" << relations;
}

void TestEntryForm::fixedItemLists()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    TestEnv env;
    EntryForm form(env.services);
    auto *list = form.findChild<QComboBox *>(name);
    QVERIFY(list);
    QCOMPARE(itemsOf(list), items);
    QVERIFY(!list->isEditable());
}

void TestEntryForm::ethnicAndNationalityLists()
{
    TestEnv env;
    EntryForm form(env.services);

    const QStringList minzu = itemsOf(form.findChild<QComboBox *>(QStringLiteral("cbMinzu")));
    QCOMPARE(minzu.size(), 59);
    QCOMPARE(minzu.first(), QStringLiteral("01-汉族"));
    QCOMPARE(minzu.at(1), QStringLiteral("蒙古族"));
    QCOMPARE(minzu.mid(55), (QStringList{"基诺族", "穿青人族", "其他", "外国血统中国籍人士"}));
    QCOMPARE(QSet<QString>(minzu.begin(), minzu.end()).size(), 59);
    // Only the first item carries a code prefix.
    QCOMPARE(minzu.filter(QStringLiteral("-")).size(), 1);

    const QStringList nation = itemsOf(form.findChild<QComboBox *>(QStringLiteral("cbNation")));
    QCOMPARE(nation.size(), 263);
    QCOMPARE(nation.mid(0, 6), (QStringList{"CHN-中国", "HK-香港", "MO-澳门", "TW-台湾", "USA-美国", "阿富汗"}));
    QCOMPARE(nation.last(), QStringLiteral("国籍不详"));
    QCOMPARE(nation.count(QStringLiteral("联合国")), 3);
    const qsizetype un = nation.indexOf(QStringLiteral("联合国"));
    QCOMPARE(nation.mid(un - 1, 5), (QStringList{"美国本土外小岛屿", "联合国", "联合国", "联合国", "乌拉圭"}));
    for (const char *repeated : {"香港", "台湾", "美国"})
        QCOMPARE(nation.count(QString::fromUtf8(repeated)), 1);
    QCOMPARE(QSet<QString>(nation.begin(), nation.end()).size(), 261);
    QCOMPARE(nation.filter(QRegularExpression(QStringLiteral("^[A-Z]+-"))).size(), 5);
}

void TestEntryForm::maxLengths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("length");
    const QList<QPair<const char *, int>> lengths = {
        {"edtName", 16},   {"edtJiguan", 100}, {"edtCardNo", 20},   {"edtAddr", 80},  {"edtPost", 80},
        {"edtFamily", 80}, {"edtContact", 20}, {"edtZip", 12},      {"edtName1", 20}, {"edtAddr1", 80},
        {"edtContact1", 30}, {"edtName2", 20}, {"edtAddr2", 80},    {"edtContact2", 30},
    };
    for (const auto &[name, length] : lengths)
        QTest::newRow(name) << name << length;
}

void TestEntryForm::maxLengths()
{
    QFETCH(QString, name);
    QFETCH(int, length);
    TestEnv env;
    EntryForm form(env.services);
    auto *box = form.findChild<QLineEdit *>(name);
    QVERIFY(box);
    QCOMPARE(box->maxLength(), length);
    // Chinese characters count one each.
    box->setFocus();
    box->insert(QString(length + 5, QChar(0x5B66)));
    QCOMPARE(box->text().size(), length);
}

void TestEntryForm::initialStates()
{
    TestEnv env;
    EntryForm form(env.services);
    QCOMPARE(form.objectName(), QStringLiteral("TForm1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("学生学籍信息录入"));
    QVERIFY(form.windowState() & Qt::WindowMaximized);

    for (const char *name : {"edtGrade", "edtClass", "edtMonth"})
        QVERIFY2(form.findChild<QLineEdit *>(name)->isReadOnly(), name);
    QCOMPARE(form.findChild<QLineEdit *>("edtMonth")->text(), QStringLiteral("09"));

    for (const char *name : {"cbZizhu", "cbYibu"}) {
        auto *list = form.findChild<QComboBox *>(name);
        QVERIFY2(!list->isEnabled(), name);
        QCOMPARE(list->currentText(), QStringLiteral("0-否"));
    }

    auto *chEdit = form.findChild<QCheckBox *>("chEdit");
    auto *cbStud = form.findChild<QComboBox *>("cbStud");
    QCOMPARE(chEdit->text(), QStringLiteral("编辑(未保存的数据会丢失，请先保存)"));
    // Edit mode's row is hidden until the teacher button shows it.
    QVERIFY(!chEdit->isVisibleTo(&form));
    QVERIFY(!chEdit->isChecked());
    QVERIFY(!cbStud->isVisibleTo(&form));
    QVERIFY(!cbStud->isEnabled());
    QVERIFY(!cbStud->isEditable());
    QCOMPARE(cbStud->maxVisibleItems(), 20);

    // Every list but the two fixed ones starts with nothing selected; only cbYear takes typing.
    for (QWidget *control : form.dataControls()) {
        auto *list = qobject_cast<QComboBox *>(control);
        if (!list || list->objectName() == "cbZizhu" || list->objectName() == "cbYibu")
            continue;
        QVERIFY2(list->currentIndex() == -1 && list->currentText().isEmpty(), qPrintable(list->objectName()));
        QCOMPARE(list->isEditable(), list->objectName() == "cbYear");
    }
    for (const char *level : {"cbProv", "cbCity", "cbArea"})
        for (int n = 1; n <= 4; ++n) {
            auto *list = form.findChild<QComboBox *>(QString::fromLatin1(level) + QString::number(n));
            QCOMPARE(list->maxVisibleItems(), 12);
            QCOMPARE(list->count(), 0);
        }

    QVERIFY(form.findChild<QDateEdit *>("dtBirth")->calendarPopup());

    auto *button3 = form.findChild<QPushButton *>("Button3");
    auto *scroll = form.findChild<QScrollArea *>("ScrollBox1");
    QVERIFY(button3->text().isEmpty());
    QCOMPARE(button3->minimumSize(), QSize(2, 2));
    QCOMPARE(button3->maximumSize(), QSize(2, 2));
    QVERIFY(button3->focusPolicy() != Qt::NoFocus);
    QVERIFY(scroll->widget()->isAncestorOf(button3));
    QVERIFY(scroll->widget()->isAncestorOf(form.findChild<QPushButton *>("Button1")));
    QVERIFY(!scroll->widget()->isAncestorOf(form.findChild<QPushButton *>("Button2")));
    for (const char *name : {"Button1", "Button2"})
        QCOMPARE(form.findChild<QPushButton *>(name)->text(), QStringLiteral("保存"));
    QCOMPARE(form.findChild<QToolButton *>("SpeedButton1")->text(), QStringLiteral("其它功能【教师】"));
    const QString note = QStringLiteral("保存成功后所有内容清空，直接输入新数据");
    int notes = 0;
    for (const QLabel *label : form.findChildren<QLabel *>())
        notes += label->text() == note;
    QCOMPARE(notes, 2);
    QVERIFY(form.findChild<QLabel *>("lblHint1")->text().isEmpty());
    QVERIFY(form.findChild<QLabel *>("lblHint2")->text().isEmpty());
}

void TestEntryForm::dataControlsFollowTheFormAndTabOrder()
{
    TestEnv env;
    EntryForm form(env.services);
    const QList<QWidget *> &controls = form.dataControls();
    QCOMPARE(controls.size(), 54);
    QCOMPARE(controls.first()->objectName(), QStringLiteral("cbStud"));
    QCOMPARE(controls.at(1)->objectName(), QStringLiteral("edtName"));
    QCOMPARE(controls.last()->objectName(), QStringLiteral("cbJianhu2"));

    // Walk the focus chain; each stop belongs to one data control (or a part
    // of one), and the data controls come in the order of the list.
    QStringList visited;
    QWidget *w = controls.first();
    for (int guard = 0; guard < 1000; ++guard) {
        w = w->nextInFocusChain();
        if (w == controls.first())
            break;
        for (QWidget *up = w; up; up = up->parentWidget()) {
            if (controls.contains(up)) {
                if (visited.isEmpty() || visited.last() != up->objectName())
                    visited << up->objectName();
                break;
            }
        }
    }
    QStringList expected;
    for (const QWidget *c : controls.mid(1))
        expected << c->objectName();
    QCOMPARE(visited, expected);

    // The groups are laid out in the form's order, top to bottom.
    int lastY = -1;
    form.resize(1366, 768);
    form.findChild<QScrollArea *>("ScrollBox1")->widget()->adjustSize();
    for (int n = 1; n <= 7; ++n) {
        auto *group = form.findChild<QWidget *>(QStringLiteral("GroupBox%1").arg(n));
        QVERIFY(group);
        QVERIFY(group->y() > lastY);
        lastY = group->y();
    }
}

void TestEntryForm::accessibleNames()
{
    TestEnv env;
    EntryForm form(env.services);
    for (QWidget *control : form.dataControls())
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));

    // A field's name is its caption.
    for (const QLabel *label : form.findChildren<QLabel *>()) {
        QWidget *buddy = label->buddy();
        if (!buddy)
            continue;
        QVERIFY2(buddy->accessibleName().startsWith(label->text().trimmed()), qPrintable(label->text()));
    }
    auto name = [&](const char *objectName) { return form.findChild<QWidget *>(objectName)->accessibleName(); };
    QCOMPARE(name("edtName"), QStringLiteral("1.姓名"));
    QCOMPARE(name("cbProv1"), QStringLiteral("4.出生地 省"));
    QCOMPARE(name("cbCity1"), QStringLiteral("4.出生地 市"));
    QCOMPARE(name("cbArea1"), QStringLiteral("4.出生地 县"));
    QCOMPARE(name("cbArea4"), QStringLiteral("67.户口所在地 县"));
    QCOMPARE(name("cbYear"), QStringLiteral("24.入学年月"));
    QCOMPARE(name("Button1"), QStringLiteral("保存"));
    QCOMPARE(name("Button2"), QStringLiteral("保存"));
    QCOMPARE(name("SpeedButton1"), QStringLiteral("其它功能【教师】"));
    QCOMPARE(name("chEdit"), QStringLiteral("编辑(未保存的数据会丢失，请先保存)"));

    // The photo caption stands alone: no control is captured for it.
    const auto labels = form.findChildren<QLabel *>();
    const auto photo = std::find_if(labels.begin(), labels.end(),
                                    [](const QLabel *l) { return l->text() == QStringLiteral("x13.照片x"); });
    QVERIFY(photo != labels.end());
    QVERIFY(!(*photo)->buddy());
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel *l) {
        return l->text() == QStringLiteral("4.出生地 ");
    }));
}

void TestEntryForm::entryYears()
{
    TestEnv env;
    EntryForm form(env.services);
    auto *year = form.findChild<QComboBox *>("cbYear");
    form.setEntryYears(2015);
    QCOMPARE(year->count(), 17);
    QCOMPARE(year->itemText(0), QStringLiteral("2015"));
    QCOMPARE(year->itemText(16), QStringLiteral("1999"));
    QCOMPARE(year->currentIndex(), -1);
    QVERIFY(year->currentText().isEmpty());

    form.preselectEntryYear(2008);
    QCOMPARE(year->currentText(), QStringLiteral("2008"));
    form.preselectEntryYear(0);
    QCOMPARE(year->currentText(), QStringLiteral("2008"));
    form.preselectEntryYear(2016);
    QCOMPARE(year->currentIndex(), -1);
    QVERIFY(year->currentText().isEmpty());

    form.setEntryYears(2020);
    QCOMPARE(year->count(), 22);
    QCOMPARE(year->itemText(0), QStringLiteral("2020"));
}

void TestEntryForm::resetClearsAllButMarkedAndReadOnly()
{
    SetUpForm s;
    EntryForm &form = s.form;
    QCOMPARE(s.find<QComboBox>("cbYear")->currentText(), QStringLiteral("2014"));

    // Fill every field the way a user would, including other regions.
    QMap<QComboBox *, int> counts;
    for (QWidget *control : form.dataControls()) {
        if (auto *box = qobject_cast<QLineEdit *>(control); box && !box->isReadOnly())
            box->setText(QStringLiteral("12"));
        if (auto *list = qobject_cast<QComboBox *>(control); list && list->isEnabled()) {
            list->setCurrentIndex(list->count() - 1);
            counts[list] = list->count();
        }
    }
    s.find<QComboBox>("cbProv2")->setCurrentIndex(0);
    s.find<QComboBox>("cbYear")->setEditText(QStringLiteral("2016"));
    s.find<QDateEdit>("dtBirth")->setDate(QDate(2001, 2, 3));

    form.ResetEntryForm();

    QCOMPARE(s.find<QDateEdit>("dtBirth")->date(), kStartup.date());
    QCOMPARE(s.find<QComboBox>("cbYear")->currentText(), QStringLiteral("2016"));
    QCOMPARE(s.find<QLineEdit>("edtGrade")->text(), QStringLiteral("高一"));
    QCOMPARE(s.find<QLineEdit>("edtClass")->text(), QStringLiteral("01"));
    QCOMPARE(s.find<QLineEdit>("edtMonth")->text(), QStringLiteral("09"));
    QCOMPARE(s.find<QComboBox>("cbZizhu")->currentText(), QStringLiteral("0-否"));
    QCOMPARE(s.find<QComboBox>("cbYibu")->currentText(), QStringLiteral("0-否"));
    QVERIFY(s.find<QLineEdit>("edtZip")->text().isEmpty());

    for (int n = 1; n <= 4; ++n) {
        const QString num = QString::number(n);
        QCOMPARE(s.find<QComboBox>(qPrintable("cbProv" + num))->currentText(), QStringLiteral("广东省"));
        auto *city = s.find<QComboBox>(qPrintable("cbCity" + num));
        QCOMPARE(city->currentText(), QStringLiteral("佛山市"));
        QVERIFY(itemsOf(city).contains(QStringLiteral("广州市")));
        auto *county = s.find<QComboBox>(qPrintable("cbArea" + num));
        QCOMPARE(itemsOf(county), kFoshanCounties);
        QCOMPARE(county->currentIndex(), -1);
        QVERIFY(county->currentText().isEmpty());
    }

    const QSet<QString> regionLists = {"cbProv1", "cbProv2", "cbProv3", "cbProv4", "cbCity1", "cbCity2",
                                       "cbCity3", "cbCity4", "cbArea1", "cbArea2", "cbArea3", "cbArea4"};
    for (QWidget *control : form.dataControls()) {
        const QString name = control->objectName();
        if (auto *box = qobject_cast<QLineEdit *>(control); box && !box->isReadOnly())
            QVERIFY2(box->text().isEmpty(), qPrintable(name));
        auto *list = qobject_cast<QComboBox *>(control);
        if (!list || regionLists.contains(name) || EntryForm::hasKeepMark(list) || !list->isEnabled())
            continue;
        QVERIFY2(list->currentIndex() == -1 && list->currentText().isEmpty(), qPrintable(name));
        QCOMPARE(list->count(), counts.value(list));
    }
}

void TestEntryForm::resetBeforeProvincesAreFilled()
{
    TestEnv env;
    EntryForm form(env.services);
    form.setStartupDate(kStartup);
    form.setRegionTables(&regionTables());
    form.findChild<QLineEdit *>("edtName")->setText(QStringLiteral("张三"));
    form.ResetEntryForm();
    QVERIFY(form.findChild<QLineEdit *>("edtName")->text().isEmpty());
    for (const char *name : {"cbProv1", "cbCity1", "cbArea1", "cbProv4", "cbCity4", "cbArea4"}) {
        auto *list = form.findChild<QComboBox *>(name);
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->currentIndex(), -1);
    }
    form.fillProvincePickers();
    form.selectDefaultRegions();
    QCOMPARE(itemsOf(form.findChild<QComboBox *>("cbArea3")), kFoshanCounties);
}

void TestEntryForm::closedListsStepWithTheKeyboard()
{
    SetUpForm s;
    s.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    auto *button3 = s.find<QPushButton>("Button3");

    // Arrows, Home and End step through a closed list; the focus stays in it.
    auto *policy = s.find<QComboBox>("cbPolicy");
    policy->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(policy, Qt::Key_Down);
    QCOMPARE(policy->currentText(), QStringLiteral("13-群众"));
    QTest::keyClick(policy, Qt::Key_Up);
    QCOMPARE(policy->currentText(), QStringLiteral("03-共青团员"));
    QTest::keyClick(policy, Qt::Key_Home);
    QCOMPARE(policy->currentText(), QStringLiteral("01-中共党员"));
    QTest::keyClick(policy, Qt::Key_End);
    QCOMPARE(policy->currentText(), QStringLiteral("13-群众"));
    QCOMPARE(QApplication::focusWidget(), policy);
    QCOMPARE(s.find<QComboBox>("cbHealth")->currentIndex(), -1);
    QTest::keyClick(policy, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.find<QComboBox>("cbHealth"));

    // Typed text finds its item, whole, and a province still fills its cities.
    auto *province = s.find<QComboBox>("cbProv3");
    province->setFocus(Qt::TabFocusReason);
    EntryFormDriver::type(province, QStringLiteral("湖南"));
    QCOMPARE(province->currentText(), QStringLiteral("湖南省"));
    QCOMPARE(QApplication::focusWidget(), province);
    QVERIFY(s.find<QComboBox>("cbCity3")->findText(QStringLiteral("长沙市")) >= 0);
    // A Chinese input method hands the words over at once.
    auto *province4 = s.find<QComboBox>("cbProv4");
    province4->setFocus(Qt::TabFocusReason);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("湖南"));
    QApplication::sendEvent(province4, &commit);
    QCOMPARE(province4->currentText(), QStringLiteral("湖南省"));
    QCOMPARE(QApplication::focusWidget(), province4);

    // A pick with the mouse from the open list is a choice: the focus moves on
    // and Tab continues after the list chosen.
    auto *sex = s.find<QComboBox>("cbSex");
    sex->setFocus(Qt::TabFocusReason);
    EntryFormDriver::choose(sex, QStringLiteral("2-女"));
    QCOMPARE(QApplication::focusWidget(), button3);
    // Arrows on the holder change nothing, neither the list nor the date after it.
    const QDate date = s.find<QDateEdit>("dtBirth")->date();
    QTest::keyClick(button3, Qt::Key_Down);
    QCOMPARE(sex->currentText(), QStringLiteral("2-女"));
    QCOMPARE(s.find<QDateEdit>("dtBirth")->date(), date);
    QTest::keyClick(button3, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.find<QDateEdit>("dtBirth"));

    // Typing into the entry year does not throw the focus out after the first key.
    auto *year = s.find<QComboBox>("cbYear");
    year->setFocus();
    year->clearEditText();
    QTest::keyClicks(year, "20");
    QVERIFY(year->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == year);
    QTest::keyClicks(year, "13");
    QTest::keyClick(year, Qt::Key_Return);
    QCOMPARE(year->currentText(), QStringLiteral("2013"));
    QCOMPARE(QApplication::focusWidget(), button3);
}

void TestEntryForm::enterMovesToTheNextField()
{
    SetUpForm s;
    s.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    auto *name = s.find<QLineEdit>("edtName");
    auto *sex = s.find<QComboBox>("cbSex");
    auto *birth = s.find<QDateEdit>("dtBirth");

    name->setFocus(Qt::TabFocusReason);
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), sex);
    QCOMPARE(sex->currentIndex(), -1);
    QTest::keyClick(sex, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(QApplication::focusWidget(), birth);
    // From the date, past its sections, to the next field; the typed date holds.
    QTest::keyClicks(birth, "20081102");
    QTest::keyClick(birth, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), s.find<QComboBox>("cbProv1"));
    QCOMPARE(birth->date(), QDate(2008, 11, 2));

    // An item stepped to with the keyboard, then Enter: on to the next field.
    auto *minzu = s.find<QComboBox>("cbMinzu");
    minzu->setFocus(Qt::TabFocusReason);
    QTest::keyClick(minzu, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), minzu);
    QTest::keyClick(minzu, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), s.find<QComboBox>("cbNation"));
    QCOMPARE(minzu->currentText(), QStringLiteral("01-汉族"));

    // The entry year as preselected: Enter moves on.
    auto *year = s.find<QComboBox>("cbYear");
    year->setFocus(Qt::TabFocusReason);
    QTest::keyClick(year, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), s.find<QLineEdit>("edtMonth"));
    QCOMPARE(year->currentText(), QStringLiteral("2014"));
}

void TestEntryForm::dateTypedAfterAClickIsTaken()
{
    SetUpForm s;
    s.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    auto *birth = s.find<QDateEdit>("dtBirth");
    auto *text = birth->findChild<QLineEdit *>();
    QVERIFY(text);
    const int middle = text->height() / 2;
    struct Try
    {
        bool enteredByTab;
        QPoint click;
        const char *typed;
        QDate expected;
    };
    const Try tries[] = {
        {false, QPoint(text->width() - 4, middle), "20081102", QDate(2008, 11, 2)},
        {false, QPoint(text->width() / 2, middle), "2009-12-03", QDate(2009, 12, 3)},
        // Entered with Tab and then clicked beside the text.
        {true, QPoint(text->width() - 4, middle), "2011-02-05", QDate(2011, 2, 5)},
    };
    for (const Try &t : tries) {
        if (t.enteredByTab)
            birth->setFocus(Qt::TabFocusReason);
        else
            s.find<QLineEdit>("edtName")->setFocus(Qt::TabFocusReason);
        QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, t.click);
        QCOMPARE(QApplication::focusWidget(), birth);
        QTest::keyClicks(birth, t.typed);
        QCOMPARE(birth->date(), t.expected);
    }
    // A click on the month's digits changes the month alone.
    const QFontMetrics metrics = text->fontMetrics();
    const QPoint onMonth(text->contentsRect().left() + 2 + metrics.horizontalAdvance(text->text().left(6)), middle);
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, onMonth);
    QTest::keyClicks(birth, "07");
    QCOMPARE(birth->date(), QDate(2011, 7, 5));
}

void TestEntryForm::residentIdNumberFillsBirthDateAndSex()
{
    SetUpForm s;
    s.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    auto *cardNo = s.find<QLineEdit>("edtCardNo");
    auto *cardType = s.find<QComboBox>("cbCardType");
    auto *sex = s.find<QComboBox>("cbSex");
    auto *birth = s.find<QDateEdit>("dtBirth");
    const auto typeNumber = [&](const QString &number, int cardTypeIndex) {
        s.form.ResetEntryForm();
        cardType->setCurrentIndex(cardTypeIndex);
        cardNo->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(cardNo, number);
    };

    // No card type yet, and the resident ID card: both filled, the cursor stays.
    typeNumber(QStringLiteral("440606200811020021"), -1);
    QCOMPARE(birth->date(), QDate(2008, 11, 2));
    QCOMPARE(sex->currentText(), QStringLiteral("2-女"));
    QCOMPARE(QApplication::focusWidget(), cardNo);
    typeNumber(QStringLiteral("440606200811020013"), 0);
    QCOMPARE(sex->currentText(), QStringLiteral("1-男"));
    QCOMPARE(birth->date(), QDate(2008, 11, 2));

    // A wrong check character, or another card type: nothing is filled.
    typeNumber(QStringLiteral("440606200811020022"), 0);
    QCOMPARE(birth->date(), kStartup.date());
    QCOMPARE(sex->currentIndex(), -1);
    typeNumber(QStringLiteral("440606200811020021"), 1);
    QCOMPARE(birth->date(), kStartup.date());
    QCOMPARE(sex->currentIndex(), -1);

    // What the teacher set stays.
    s.form.ResetEntryForm();
    birth->setDate(QDate(2008, 1, 1));
    sex->setCurrentIndex(0);
    cardNo->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(cardNo, "440606200811020021");
    QCOMPARE(birth->date(), QDate(2008, 1, 1));
    QCOMPARE(sex->currentText(), QStringLiteral("1-男"));
}

void TestEntryForm::wheelScrollsOneLineStep()
{
    SetUpForm s;
    s.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.form));
    auto *scroll = s.find<QScrollArea>("ScrollBox1");
    QScrollBar *bar = scroll->verticalScrollBar();
    QVERIFY(bar->maximum() > 3 * bar->singleStep());
    QCOMPARE(bar->value(), 0);
    // One notch moves about three lines of text, not a few pixels.
    const int lineHeight = scroll->widget()->fontMetrics().lineSpacing();
    QVERIFY2(bar->singleStep() >= 3 * lineHeight - 2 && bar->singleStep() <= 4 * lineHeight,
             qPrintable(QString::number(bar->singleStep())));

    auto turn = [&](QWidget *target, int delta) {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    };

    turn(scroll->viewport(), -120);
    QCOMPARE(bar->value(), bar->singleStep());
    turn(scroll->viewport(), -360); // one step per event, however far the wheel turned
    QCOMPARE(bar->value(), 2 * bar->singleStep());
    turn(scroll->viewport(), 120);
    QCOMPARE(bar->value(), bar->singleStep());
    turn(scroll->viewport(), 0); // no turn counts as up
    QCOMPARE(bar->value(), 0);
    turn(scroll->viewport(), 120);
    QCOMPARE(bar->value(), 0);

    // Over a list the wheel scrolls the form and leaves the choice alone.
    auto *nation = s.find<QComboBox>("cbNation");
    nation->setCurrentIndex(3);
    turn(nation, -120);
    QCOMPARE(nation->currentIndex(), 3);
    QCOMPARE(bar->value(), bar->singleStep());
    auto *birth = s.find<QDateEdit>("dtBirth");
    const QDate date = birth->date();
    turn(birth, -120);
    QCOMPARE(birth->date(), date);
    QCOMPARE(bar->value(), 2 * bar->singleStep());
    // Anywhere else inside the form too.
    turn(s.find<QLineEdit>("edtName"), 120);
    QCOMPARE(bar->value(), bar->singleStep());
    turn(s.find<QWidget>("GroupBox5"), -120);
    QCOMPARE(bar->value(), 2 * bar->singleStep());
    auto *year = s.find<QComboBox>("cbYear");
    turn(year->lineEdit(), 120);
    QCOMPARE(bar->value(), bar->singleStep());
    QCOMPARE(year->currentText(), QStringLiteral("2014"));
}

void TestEntryForm::openListsShowTheirVisibleItemCount()
{
    SetUpForm s;
    s.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.form));
    // Twelve rows, and a scroll bar that tells more items follow.
    const int rows = 12;
    for (const char *name : {"cbProv1", "cbCity4", "cbNation", "cbMinzu"}) {
        auto *list = s.find<QComboBox>(name);
        QCOMPARE(list->maxVisibleItems(), rows);
        QVERIFY(list->count() > rows);
        list->showPopup();
        QAbstractItemView *view = list->view();
        QTRY_VERIFY(view->isVisible());
        const int shown = view->viewport()->height() / view->sizeHintForRow(0);
        QVERIFY2(shown >= rows - 1 && shown <= rows, qPrintable(QStringLiteral("%1: %2 rows").arg(name).arg(shown)));
        QVERIFY2(view->verticalScrollBar()->isVisible(), name);
        list->hidePopup();
    }
    // A short list needs no bar.
    auto *sex = s.find<QComboBox>("cbSex");
    sex->showPopup();
    QTRY_VERIFY(sex->view()->isVisible());
    QVERIFY(!sex->view()->verticalScrollBar()->isVisible());
    sex->hidePopup();
}

void TestEntryForm::teacherButtonShowsEditControlsAndKeepsWindow()
{
    TestEnv env;
    EntryForm form(env.services);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *chEdit = form.findChild<QCheckBox *>("chEdit");
    auto *cbStud = form.findChild<QComboBox *>("cbStud");
    QVERIFY(!chEdit->isVisible());
    QVERIFY(!cbStud->isVisible());

    int made = 0;
    int shown = 0;
    form.setManagementWindowFactory([&](QWidget *parent) {
        ++made;
        auto *dialog = new QDialog(parent);
        dialog->setObjectName(QStringLiteral("managementUnderTest"));
        return dialog;
    });
    auto closeModal = [&] {
        QTimer::singleShot(0, [&] {
            if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                ++shown;
                QVERIFY(d->isModal());
                d->reject();
            }
        });
    };

    auto *button = form.findChild<QToolButton *>("SpeedButton1");
    // The teacher's password is asked elsewhere; the window closed without
    // edit mode locks again, leaving 编辑 alone on the row.
    form.teacherLock().openChecked();
    QTimer::singleShot(0, [&] { QVERIFY(cbStud->isVisible()); });
    closeModal();
    QTest::mouseClick(button, Qt::LeftButton);
    QDialog *first = form.managementWindow();
    QVERIFY(first);
    QCOMPARE(first->parent(), &form);
    QVERIFY(chEdit->isVisible());
    QVERIFY(!cbStud->isVisible());
    QVERIFY(!cbStud->isEnabled());

    form.teacherLock().openChecked();
    closeModal();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(form.managementWindow(), first);
    QCOMPARE(made, 1);
    QCOMPARE(shown, 2);
    QVERIFY(chEdit->isVisible());

    // Without a factory of its own the form makes an empty management window.
    EntryForm plain(env.services);
    plain.teacherLock().openChecked();
    closeModal();
    plain.SpeedButton1Click();
    QVERIFY(plain.managementWindow());
    QCOMPARE(plain.managementWindow()->objectName(), QStringLiteral("TForm3"));
    QCOMPARE(plain.managementWindow()->windowTitle(), QStringLiteral("管理模块"));
    QCOMPARE(shown, 3);
}

void TestEntryForm::teacherButtonReportsFailure()
{
    TestEnv env;
    EntryForm form(env.services);
    bool fail = true;
    form.setManagementWindowFactory([&](QWidget *parent) -> QDialog * {
        if (fail)
            throw DatabaseError(QStringLiteral("连接已断开"));
        return new QDialog(parent);
    });
    form.teacherLock().openChecked(); // the teacher's password is asked elsewhere
    form.SpeedButton1Click();
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.first().kind, ScriptedMessages::Kind::Error);
    QCOMPARE(env.messages.lastText(), errorBoxText(QStringLiteral("连接已断开")));
    QVERIFY(!form.managementWindow());
    QVERIFY(!form.findChild<QCheckBox *>("chEdit")->isHidden());

    // The next press tries again.
    fail = false;
    QTimer::singleShot(0, [] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            d->reject();
    });
    form.SpeedButton1Click();
    QVERIFY(form.managementWindow());
}

void TestEntryForm::showScrollsToTopAndFocusesName()
{
    SetUpForm s;
    s.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    QCOMPARE(QApplication::focusWidget(), s.find<QLineEdit>("edtName"));
    QScrollBar *bar = s.find<QScrollArea>("ScrollBox1")->verticalScrollBar();
    bar->setValue(bar->maximum());
    s.find<QComboBox>("cbJianhu2")->setFocus();
    s.form.hide();
    s.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(s.form.focusWidget(), s.find<QLineEdit>("edtName"));
}

void TestEntryForm::chineseWhateverTheSystemLocale()
{
    // The tests run under LC_ALL=C.UTF-8, Debian's default.
    QCOMPARE(QLocale::system().language(), QLocale::C);
    ChineseLocale::install(*QCoreApplication::instance());
    SetUpForm s;
    QCalendarWidget *calendar = s.find<QDateEdit>("dtBirth")->calendarWidget();
    calendar->setSelectedDate(QDate(2014, 1, 6));
    auto *month = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
    QVERIFY(month);
    QCOMPARE(month->text(), QStringLiteral("一月"));
    QCOMPARE(EntryRules::birthDateMessage(QDate(2024, 1, 1)), QStringLiteral("2024/1/1 -- 出生日期不对。"));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
}

void TestEntryForm::closingEndsTheApplication()
{
    TestEnv env;
    EntryForm form(env.services);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    bool timedOut = false;
    QTimer::singleShot(0, &form, [&] { form.close(); });
    QTimer::singleShot(5000, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    const int rc = QCoreApplication::exec();
    QVERIFY(!timedOut);
    QCOMPARE(rc, 0);
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestEntryForm)
#include "tst_entry_form.moc"
