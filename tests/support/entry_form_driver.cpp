#include "entry_form_driver.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/class_choice_dialog.h"
#include "entry/entry_form.h"
#include "entry/teacher_lock.h"
#include "core/record/record_columns.h"
#include "ui_entry_form.h"

namespace {

// The offscreen platform reports every popup's keyboard grab and raise as
// unsupported; those notes would bury the test output.
QtMessageHandler g_previousHandler = nullptr;

void quietPopupNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    g_previousHandler(type, context, message);
}

} // namespace

namespace {

// The local file with -access; a server through config.ini in the program folder.
QStringList startArguments(const TestEnv &env)
{
    if (env.engine == QLatin1String("sqlite"))
        return {QStringLiteral("-access")};
    env.writeConfigIni();
    return {};
}

} // namespace

EntryFormDriver::EntryFormDriver(TestEnv &env, int gradeIndex, int classIndex)
    : m_env(env), m_shell(env.services, {QStringLiteral("tavro"), startArguments(env), env.dir.path()})
{
    if (!g_previousHandler)
        g_previousHandler = qInstallMessageHandler(quietPopupNotes);
    m_shell.start();
    m_shell.dialog().findChild<QComboBox *>(QStringLiteral("ComboBox1"))->setCurrentIndex(gradeIndex);
    m_shell.dialog().findChild<QComboBox *>(QStringLiteral("ComboBox2"))->setCurrentIndex(classIndex);
    env.messages.answerNext(Messages::Answer::Ok); // the confirmation
    m_shell.dialog().Button1Click();
    env.messages.clear();
    if (!m_shell.setup().database())
        qFatal("the class setup did not connect");
    // No management window in tests: the teacher button only shows the edit controls.
    m_shell.form().setManagementWindowFactory([](QWidget *) { return nullptr; });
}

Ui::TForm1 *EntryFormDriver::ui()
{
    return form().ui();
}

void EntryFormDriver::type(QWidget *target, const QString &text)
{
    target->setFocus(Qt::TabFocusReason);
    // One key per character (a pair of surrogates is one character);
    // QTest::keyClicks cannot carry Chinese text.
    for (const char32_t c : text.toUcs4()) {
        const QString ch = QString::fromUcs4(&c, 1);
        if (c < 128 && c > 32)
            QTest::keyClick(target, char(c));
        else
            QTest::sendKeyEvent(QTest::Click, target, c == ' ' ? Qt::Key_Space : Qt::Key_unknown, ch,
                                Qt::NoModifier);
    }
}

void EntryFormDriver::retype(QLineEdit *box, const QString &text)
{
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    type(box, text);
}

void EntryFormDriver::choose(QComboBox *list, const QString &itemText)
{
    const int index = list->findText(itemText, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(index >= 0, qPrintable(list->objectName() + QStringLiteral(" has no item ") + itemText));
    list->showPopup();
    QAbstractItemView *view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex item = list->model()->index(index, list->modelColumn(), list->rootModelIndex());
    view->scrollTo(item);
    const QPoint at = view->visualRect(item).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(list->currentIndex(), index);
}

void EntryFormDriver::typeDate(QDateEdit *picker, const QDate &date)
{
    picker->setFocus(Qt::TabFocusReason);
    picker->setCurrentSectionIndex(0);
    picker->setSelectedSection(picker->sectionAt(0));
    // A full section moves on to the next one by itself.
    QTest::keyClicks(picker, date.toString(QStringLiteral("yyyyMMdd")));
    QCOMPARE(picker->date(), date);
}

void EntryFormDriver::chooseRegion(int picker, const QString &province, const QString &city, const QString &county)
{
    const QString n = QString::number(picker);
    choose(form().findChild<QComboBox *>(QStringLiteral("cbProv") + n), province);
    choose(form().findChild<QComboBox *>(QStringLiteral("cbCity") + n), city);
    choose(form().findChild<QComboBox *>(QStringLiteral("cbArea") + n), county);
}

void EntryFormDriver::fillStudent(const QString &name, const QString &cardNo)
{
    Ui::TForm1 *u = ui();
    type(u->edtName, name);
    choose(u->cbSex, QStringLiteral("2-女"));
    typeDate(u->dtBirth, QDate(2000, 3, 15));
    chooseRegion(1, QStringLiteral("广东省"), QStringLiteral("佛山市"), QStringLiteral("顺德区"));
    type(u->edtJiguan, QStringLiteral("广东省 佛山市 顺德区"));
    choose(u->cbMinzu, QStringLiteral("蒙古族"));
    choose(u->cbNation, QStringLiteral("CHN-中国"));
    choose(u->cbCardType, QStringLiteral("1-居民身份证"));
    type(u->edtCardNo, cardNo);
    choose(u->cbQiao, QStringLiteral("05-台湾同胞"));
    choose(u->cbPolicy, QStringLiteral("03-共青团员"));
    choose(u->cbHealth, QStringLiteral("20-一般或较弱"));
    chooseRegion(2, QStringLiteral("北京市"), QStringLiteral("县"), QStringLiteral("密云县"));
    choose(u->cbHukou, QStringLiteral("农业户口"));
    choose(u->cbYear, QStringLiteral("2015"));
    choose(u->cbRuxueFangshi, QStringLiteral("21-统一招生考试/普通入学"));
    choose(u->cbJiudu, QStringLiteral("2-住校"));
    type(u->edtAddr, QStringLiteral("佛山市顺德区 大良街道 1 号"));
    type(u->edtPost, QStringLiteral("顺德区大良邮局 88 号信箱"));
    type(u->edtFamily, QStringLiteral("顺德区 容桂 2 号"));
    type(u->edtContact, QStringLiteral("13800138000"));
    type(u->edtZip, QStringLiteral("528300"));
    choose(u->cbDusheng, QStringLiteral("1-是"));
    choose(u->cbXueqian, QStringLiteral("1-是"));
    choose(u->cbLiushou, QStringLiteral("2-双亲留守儿童"));
    choose(u->cbJincheng, QStringLiteral("1-是"));
    choose(u->cbGuer, QStringLiteral("0-否"));
    choose(u->cbLieshi, QStringLiteral("1-是"));
    type(u->edtName1, QStringLiteral("张大山"));
    choose(u->cbGuanxi1, QStringLiteral("1-父亲"));
    type(u->edtAddr1, QStringLiteral("台湾 台北"));
    chooseRegion(3, QStringLiteral("台湾省"), QStringLiteral("台湾"), QStringLiteral("台湾"));
    type(u->edtContact1, QStringLiteral("075722223333"));
    choose(u->cbJianhu1, QStringLiteral("1-是"));
    type(u->edtName2, QStringLiteral("李小梅"));
    choose(u->cbGuanxi2, QStringLiteral("2-母亲"));
    type(u->edtAddr2, QStringLiteral("广州市天河区 体育西路"));
    chooseRegion(4, QStringLiteral("广东省"), QStringLiteral("广州市"), QStringLiteral("天河区"));
    type(u->edtContact2, QStringLiteral("02088889999"));
    choose(u->cbJianhu2, QStringLiteral("0-否"));
}

QStringList EntryFormDriver::expectedValues(const QString &storedName, const QString &cardNo)
{
    return {
        storedName,                              // 姓名
        QStringLiteral("2-女"),                  // 性别
        QStringLiteral("20000315"),              // 出生日期
        QStringLiteral("440606000000"),          // 出生地行政区划代码
        QStringLiteral("广东省佛山市顺德区"),    // 籍贯
        QStringLiteral("蒙古族"),                // 民族
        QStringLiteral("CHN-中国"),              // 国籍_地区
        QStringLiteral("1-居民身份证"),          // 身份证件类型
        QStringLiteral("05-台湾同胞"),           // 港澳台侨外
        QStringLiteral("20-一般或较弱"),         // 健康状况
        QStringLiteral("03-共青团员"),           // 政治面貌
        cardNo,                                  // 身份证件号
        QStringLiteral("农业户口"),              // 户口性质
        QStringLiteral("110228000000"),          // 户口所在地行政区划
        QStringLiteral("201509"),                // 入学年月
        QStringLiteral("21-统一招生考试/普通入学"), // 入学方式
        QStringLiteral("2-住校"),                // 就读方式
        QStringLiteral("佛山市顺德区大良街道1号"), // 现住址
        QStringLiteral("顺德区大良邮局88号信箱"), // 通信地址
        QStringLiteral("顺德区容桂2号"),         // 家庭地址
        QStringLiteral("13800138000"),           // 联系电话
        QStringLiteral("528300"),                // 邮政编码
        QStringLiteral("1-是"),                  // 是否独生子女
        QStringLiteral("1-是"),                  // 是否受过学前教育
        QStringLiteral("2-双亲留守儿童"),        // 是否留守儿童
        QStringLiteral("0-否"),                  // 是否需要申请资助
        QStringLiteral("0-否"),                  // 是否享受一补
        QStringLiteral("0-否"),                  // 是否孤儿
        QStringLiteral("1-是"),                  // 是否烈士或优抚子女
        QStringLiteral("张大山"),                // 成员1姓名
        QStringLiteral("1-父亲"),                // 成员1关系
        QStringLiteral("台湾台北"),              // 成员1现住址
        QStringLiteral("710000000000"),          // 成员1户口所在地行政区划
        QStringLiteral("075722223333"),          // 成员1联系电话
        QStringLiteral("1-是"),                  // 成员1是否监护人
        QStringLiteral("李小梅"),                // 成员2姓名
        QStringLiteral("2-母亲"),                // 成员2关系
        QStringLiteral("广州市天河区体育西路"),  // 成员2现住址
        QStringLiteral("440106000000"),          // 成员2户口所在地行政区划
        QStringLiteral("02088889999"),           // 成员2联系电话
        QStringLiteral("0-否"),                  // 成员2是否监护人
        QStringLiteral("1-是"),                  // 是否进城务工人员随迁子女
        QStringLiteral("2015301"),               // 班号
        QStringLiteral("广东省佛山市顺德区"),    // 出生地行政区划代码2
        QStringLiteral("北京市县密云县"),        // 户口所在地行政区划2
        QStringLiteral("台湾省台湾台湾"),        // 成员1户口所在地行政区划2
        QStringLiteral("广东省广州市天河区"),    // 成员2户口所在地行政区划2
    };
}

void EntryFormDriver::clickSave()
{
    QTest::mouseClick(ui()->Button1, Qt::LeftButton);
}

void EntryFormDriver::enterEditMode()
{
    // As the teacher, whose password these tests do not ask.
    form().teacherLock().openChecked();
    QTest::mouseClick(ui()->SpeedButton1, Qt::LeftButton);
    QVERIFY(ui()->chEdit->isVisible());
    QTest::mouseClick(ui()->chEdit, Qt::LeftButton);
    QVERIFY(ui()->chEdit->isChecked());
}

void EntryFormDriver::changeClass(int gradeIndex, int classIndex)
{
    ui()->btnChangeClass->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui()->btnChangeClass, Qt::Key_Space);
    QVERIFY(m_shell.dialog().isVisible());
    for (const auto &[name, index] : {std::pair{"ComboBox1", gradeIndex}, std::pair{"ComboBox2", classIndex}}) {
        auto *list = m_shell.dialog().findChild<QComboBox *>(QLatin1String(name));
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(list, Qt::Key_Down);
    }
    m_env.messages.answerNext(Messages::Answer::Ok); // the confirmation
    auto *ok = m_shell.dialog().findChild<QPushButton *>(QStringLiteral("Button1"));
    ok->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ok, Qt::Key_Space);
    QVERIFY(form().isVisible());
}

void EntryFormDriver::pickRecord(qint64 id)
{
    QComboBox *list = ui()->cbStud;
    const int index = list->findData(id);
    QVERIFY2(index >= 0, qPrintable(QStringLiteral("no record item for id %1").arg(id)));
    choose(list, list->itemText(index));
}

QStringList EntryFormDriver::fieldSnapshot()
{
    QStringList shown;
    for (QWidget *control : form().dataControls()) {
        QString value;
        if (auto *list = qobject_cast<QComboBox *>(control))
            value = QString::number(list->currentIndex()) + QLatin1Char(':') + list->currentText();
        else if (auto *box = qobject_cast<QLineEdit *>(control))
            value = box->text();
        else if (auto *date = qobject_cast<QDateEdit *>(control))
            value = date->date().toString(Qt::ISODate);
        shown << control->objectName() + QLatin1Char('=') + value;
    }
    return shown;
}

QStringList EntryFormDriver::storedRow(qint64 id)
{
    const QueryResult r = m_env.db->query(QStringLiteral("select ") + RecordColumns::dataColumns().join(QStringLiteral(", "))
                                          + QStringLiteral(" from ") + form().classTable() + QStringLiteral(" where id = ")
                                          + QString::number(id));
    QStringList values;
    for (int c = 0; !r.isEmpty() && c < r.columnCount(); ++c)
        values << r.text(0, c);
    return values;
}

QByteArray EntryFormDriver::debugFile() const
{
    QFile f(m_env.path(QStringLiteral("debug.txt")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
