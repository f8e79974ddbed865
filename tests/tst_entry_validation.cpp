// Checking the real entry form before a save: empty fields (counted and shown
// in the highlight colour), the content rules with their messages and focus,
// and the 籍贯 question.
#include <QtTest>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/record/record_columns.h"
#include "entry/form_empty_field_pass.h"
#include "entry/entry_form.h"
#include "entry_form_driver.h"
#include "ui_entry_form.h"

namespace {

using Kind = ScriptedMessages::Kind;

int rowCount(Database &db)
{
    return db.query(QStringLiteral("select count(*) from 高一01")).text(0, 0).toInt();
}

// The colour the user sees inside the control, away from its frame and text.
QColor shownColour(QWidget *control)
{
    control->ensurePolished();
    const QImage image = control->grab().toImage();
    return image.pixelColor(image.width() - 30, image.height() / 2);
}

int distance(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
}

bool closeTo(const QColor &a, const QColor &b)
{
    return distance(a, b) <= 12;
}

// Edit boxes show the highlight as it is; a style may shade a list like a
// button face, but it must stay a clear light blue, far nearer the highlight
// than the list's standard look.
bool looksHighlighted(const QColor &shown, const QColor &standard)
{
    const QColor highlight(166, 202, 240);
    return closeTo(shown, highlight)
        || (shown.blue() - shown.red() >= 25 && distance(shown, highlight) + 40 < distance(standard, highlight));
}

QStringList highlightedNames(EntryForm &form)
{
    QStringList names;
    for (QWidget *control : form.dataControls())
        if (EmptyFieldPass::isHighlighted(control))
            names << control->objectName();
    return names;
}

} // namespace

class TestEntryValidation : public QObject
{
    Q_OBJECT

private slots:
    void freshFormCountsEveryEmptyField();
    void highlightIsVisibleAndGoesWhenFilled();
    void blanksOnlyBoxIsEmptyButListTextIsNotTrimmed();
    void birthDate_data();
    void birthDate();
    void idNumberShapes_data();
    void idNumberShapes();
    void idNumberAgreesWithBirthDateAndSex();
    void digitsOnlyFields_data();
    void digitsOnlyFields();
    void firstFailingRuleOnly();
    void jiguanQuestion_data();
    void jiguanQuestion();
};

void TestEntryValidation::freshFormCountsEveryEmptyField()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.ui()->lblHint1->setText(QStringLiteral("上一位"));
    d.ui()->edtName->setFocus();
    d.ui()->Button1->click(); // a click by the program: the focus stays where it is

    QCOMPARE(env.messages.shown.size(), 1);
    const ScriptedMessages::Shown &box = env.messages.shown.first();
    QCOMPARE(box.kind, Kind::Box);
    QCOMPARE(box.icon, Messages::Icon::Error);
    QCOMPARE(box.buttons, Messages::Buttons::Ok);
    QCOMPARE(box.title, QStringLiteral("学生学籍信息录入 - 当前录入【高一01班】"));
    QCOMPARE(box.text, QStringLiteral("检测到有 38 处未完成的项目，已以其它颜色标示。请填写完全才能提交。"
                                      "如果不确定要怎么填，请咨询在场的老师。\n"
                                      "未完成的项目：1.姓名、2.性别、4.出生地 县、5.籍贯(写到区县)、6.民族 等"));
    // Every empty box and list of the reset form, in form order; the default
    // region, the entry year, the read-only and the fixed fields are filled.
    const QStringList expected = {
        "edtName", "cbSex", "cbArea1", "edtJiguan", "cbMinzu", "cbNation", "cbCardType", "edtCardNo", "cbQiao",
        "cbPolicy", "cbHealth", "cbArea2", "cbHukou", "cbRuxueFangshi", "cbJiudu", "edtAddr", "edtPost", "edtFamily",
        "edtContact", "edtZip", "cbDusheng", "cbXueqian", "cbLiushou", "cbJincheng", "cbGuer", "cbLieshi",
        "edtName1", "cbGuanxi1", "edtAddr1", "cbArea3", "edtContact1", "cbJianhu1", "edtName2", "cbGuanxi2",
        "edtAddr2", "cbArea4", "edtContact2", "cbJianhu2"};
    QCOMPARE(highlightedNames(d.form()), expected);
    QVERIFY(d.ui()->lblHint1->text().isEmpty());
    QCOMPARE(d.form().focusWidget(), d.ui()->edtName);
    QCOMPARE(rowCount(*env.db), 0);
    QCOMPARE(d.debugFile(), QByteArray("<missing>"));
}

void TestEntryValidation::highlightIsVisibleAndGoesWhenFilled()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    ui->cbYear->lineEdit()->clear();
    const QColor standardBox = shownColour(ui->edtName);
    const QColor standardList = shownColour(ui->cbSex);
    const QColor standardYear = shownColour(ui->cbYear);
    d.ui()->Button1->click();

    // An edit box, a fixed list and the typed-in year list all show the colour.
    const QColor highlight(166, 202, 240);
    QVERIFY2(closeTo(shownColour(ui->edtName), highlight), qPrintable(shownColour(ui->edtName).name()));
    QVERIFY2(looksHighlighted(shownColour(ui->cbSex), standardList), qPrintable(shownColour(ui->cbSex).name()));
    QVERIFY2(looksHighlighted(shownColour(ui->cbArea4), standardList), qPrintable(shownColour(ui->cbArea4).name()));
    QVERIFY2(looksHighlighted(shownColour(ui->cbYear), standardYear), qPrintable(shownColour(ui->cbYear).name()));
    QVERIFY(!closeTo(shownColour(ui->edtGrade), highlight));

    // Filled and checked again: back to the standard look.
    d.fillStudent();
    d.choose(ui->cbYear, QStringLiteral("2015"));
    env.messages.clear();
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(highlightedNames(d.form()), QStringList());
    QVERIFY(closeTo(shownColour(ui->edtName), standardBox));
    QVERIFY(closeTo(shownColour(ui->cbSex), standardList));
}

void TestEntryValidation::blanksOnlyBoxIsEmptyButListTextIsNotTrimmed()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    d.fillStudent();
    EntryFormDriver::retype(ui->edtAddr1, QStringLiteral("   "));
    ui->cbYear->lineEdit()->setText(QStringLiteral(" "));
    ui->edtName->setFocus();
    d.clickSave();
    QVERIFY(env.messages.lastText().startsWith(QStringLiteral("检测到有 1 处未完成的项目")));
    // The field is named, and the cursor is in it (far down the form, now in view).
    QVERIFY(env.messages.lastText().endsWith(QStringLiteral("\n未完成的项目：54.现住址")));
    QCOMPARE(highlightedNames(d.form()), QStringList{"edtAddr1"});
    QCOMPARE(d.form().focusWidget(), ui->edtAddr1);
    const QRect shown(ui->edtAddr1->mapTo(ui->ScrollBox1->viewport(), QPoint(0, 0)), ui->edtAddr1->size());
    QVERIFY(shown.top() >= 0 && shown.bottom() < ui->ScrollBox1->viewport()->height());
}

void TestEntryValidation::birthDate_data()
{
    QTest::addColumn<int>("daysBefore");
    QTest::addColumn<QTime>("startupTime");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("start-up date itself") << 0 << QTime(10, 30) << false;
    QTest::newRow("1826 days at 00:00") << 1826 << QTime(0, 0) << false;
    QTest::newRow("1827 days at 00:00") << 1827 << QTime(0, 0) << true;
    // The time of day counts: 1826 days and 18 hours make 5.0001 years.
    QTest::newRow("1826 days at 18:00") << 1826 << QTime(18, 0) << true;
    QTest::newRow("six years after") << -6 * 366 << QTime(0, 0) << true;
}

void TestEntryValidation::birthDate()
{
    QFETCH(int, daysBefore);
    QFETCH(QTime, startupTime);
    QFETCH(bool, accepted);
    const QDate startup(2015, 10, 15);
    TestEnv env(QDateTime(startup, startupTime));
    EntryFormDriver d(env);
    d.fillStudent();
    // Not a resident ID: the number would contradict the date tried here.
    d.choose(d.ui()->cbCardType, QStringLiteral("A-护照"));
    const QDate birth = startup.addDays(-daysBefore);
    d.ui()->dtBirth->setDate(birth);
    d.ui()->edtName->setFocus();
    d.clickSave();
    if (accepted) {
        QCOMPARE(env.messages.texts(), QStringList());
        QCOMPARE(rowCount(*env.db), 1);
        return;
    }
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.first().kind, Kind::Plain);
    QCOMPARE(env.messages.lastText(), QLocale::system().toString(birth, QLocale::ShortFormat) + " -- 出生日期不对。");
    QCOMPARE(d.form().focusWidget(), d.ui()->dtBirth);
    QCOMPARE(rowCount(*env.db), 0);
}

void TestEntryValidation::idNumberShapes_data()
{
    QTest::addColumn<QString>("cardType");
    QTest::addColumn<QString>("cardNo");
    QTest::addColumn<QString>("message"); // empty: accepted, stored as `stored`
    QTest::addColumn<QString>("stored");
    const QString resident = QStringLiteral("1-居民身份证");
    QTest::newRow("15 digits") << resident << "440606000315123" << "" << "440606000315123";
    QTest::newRow("right check character") << resident << "440606200003151242" << "" << "440606200003151242";
    QTest::newRow("lower-case x stored as X") << resident << "44060620000315104x" << "" << "44060620000315104X";
    QTest::newRow("full-width digits stored half-width")
        << resident << "４４０６０６２００００３１５１２４２" << "" << "440606200003151242";
    QTest::newRow("blanks dropped") << resident << "4406 0620 0003151242" << "" << "440606200003151242";
    QTest::newRow("wrong check character") << resident << "440606200003151243"
                                           << "身份证件号 440606200003151243 的校验位不对（按前 17 位应为 2），请核对号码" << "";
    QTest::newRow("18 characters ending in x") << resident << "ABCDEFGHIJKLMNOPQx"
                                               << "ABCDEFGHIJKLMNOPQX -- 国内居民身份证号码不对" << "";
    QTest::newRow("16 digits") << resident << "4406062000031512" << "4406062000031512 -- 国内居民身份证号码不对" << "";
    QTest::newRow("x in the middle") << resident << "44060620000x151234" << "44060620000x151234 -- 国内居民身份证号码不对" << "";
    QTest::newRow("passport") << QStringLiteral("A-护照") << "E12345678" << "" << "E12345678";
}

void TestEntryValidation::idNumberShapes()
{
    QFETCH(QString, cardType);
    QFETCH(QString, cardNo);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent(QStringLiteral("张三"), cardNo);
    d.choose(d.ui()->cbCardType, cardType);
    d.clickSave();
    if (message.isEmpty()) {
        QCOMPARE(env.messages.texts(), QStringList());
        QCOMPARE(d.storedRow(1).value(RecordColumns::CardNo), stored);
        return;
    }
    QCOMPARE(env.messages.texts(), QStringList{message});
    QCOMPARE(env.messages.shown.first().kind, Kind::Plain);
    QCOMPARE(d.form().focusWidget(), d.ui()->edtCardNo);
    QCOMPARE(rowCount(*env.db), 0);
}

void TestEntryValidation::idNumberAgreesWithBirthDateAndSex()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent();
    d.typeDate(d.ui()->dtBirth, QDate(2000, 3, 16));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList{"身份证件号中的出生日期 20000315 与出生日期 20000316 不符"});
    QCOMPARE(d.form().focusWidget(), d.ui()->dtBirth);

    env.messages.clear();
    d.typeDate(d.ui()->dtBirth, QDate(2000, 3, 15));
    d.choose(d.ui()->cbSex, QStringLiteral("1-男"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList{"身份证件号表明性别为 2-女，与性别 1-男 不符"});
    QCOMPARE(d.form().focusWidget(), d.ui()->cbSex);
    QCOMPARE(rowCount(*env.db), 0);
}

void TestEntryValidation::digitsOnlyFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::newRow("one-digit postcode") << "edtZip" << "5" << "";
    QTest::newRow("postcode with a letter") << "edtZip" << "52830a" << "52830a -- 邮政编码错误，必须是数字。";
    // Blanks are dropped and full-width digits taken, as the value is stored.
    QTest::newRow("postcode with a blank") << "edtZip" << "528 300" << "";
    QTest::newRow("phone with a hyphen") << "edtContact" << "0757-2222" << "0757-2222 联系电话错误，必须全部是数字。";
    QTest::newRow("phone with a trailing blank") << "edtContact" << "13800138000 " << "";
    QTest::newRow("member 1 phone") << "edtContact1" << "0757-2222" << "0757-2222 -- 联系电话错误，必须全部是数字。";
    QTest::newRow("member 2 phone") << "edtContact2" << "020-8888" << "020-8888 联系电话错误，必须全部是数字。";
    QTest::newRow("full-width digits") << "edtContact2" << "１３８" << "";
    QTest::newRow("full-width letter") << "edtZip" << "５２８ａ" << "528a -- 邮政编码错误，必须是数字。";
}

void TestEntryValidation::digitsOnlyFields()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent();
    auto *box = d.form().findChild<QLineEdit *>(field);
    EntryFormDriver::retype(box, text);
    d.ui()->edtName->setFocus();
    d.clickSave();
    if (message.isEmpty()) {
        QCOMPARE(env.messages.texts(), QStringList());
        QCOMPARE(rowCount(*env.db), 1);
        return;
    }
    QCOMPARE(env.messages.texts(), QStringList{message});
    QCOMPARE(env.messages.shown.first().kind, Kind::Plain);
    QCOMPARE(d.form().focusWidget(), box);
    QCOMPARE(box->text(), text);
}

void TestEntryValidation::firstFailingRuleOnly()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent();
    Ui::TForm1 *ui = d.ui();
    EntryFormDriver::retype(ui->edtContact2, QStringLiteral("x"));
    EntryFormDriver::retype(ui->edtJiguan, QStringLiteral("北京"));
    EntryFormDriver::retype(ui->edtZip, QStringLiteral("z"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList{"z -- 邮政编码错误，必须是数字。"});
    QCOMPARE(d.form().focusWidget(), ui->edtZip);
}

void TestEntryValidation::jiguanQuestion_data()
{
    QTest::addColumn<QString>("jiguan");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("answer");
    QTest::newRow("province, city and county") << "广东省佛山市顺德区" << false << 0;
    QTest::newRow("any order, 县") << "县市省" << false << 0;
    QTest::newRow("no 省, Yes") << "北京市海淀区" << true << int(Messages::Answer::Yes);
    QTest::newRow("no 省, No") << "北京市海淀区" << true << int(Messages::Answer::No);
    QTest::newRow("no 县 or 区, Yes") << "广东省佛山市" << true << int(Messages::Answer::Yes);
    QTest::newRow("no 县 or 区, No") << "广东省佛山市" << true << int(Messages::Answer::No);
}

void TestEntryValidation::jiguanQuestion()
{
    QFETCH(QString, jiguan);
    QFETCH(bool, asked);
    QFETCH(int, answer);
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent();
    EntryFormDriver::retype(d.ui()->edtJiguan, jiguan);
    d.ui()->edtName->setFocus();
    const QStringList typed = d.fieldSnapshot();
    if (asked)
        env.messages.answerNext(Messages::Answer(answer));
    d.clickSave();
    if (!asked) {
        QCOMPARE(env.messages.texts(), QStringList());
        QCOMPARE(rowCount(*env.db), 1);
        return;
    }
    const ScriptedMessages::Shown &question = env.messages.shown.first();
    QCOMPARE(question.kind, Kind::Box);
    QCOMPARE(question.icon, Messages::Icon::Information);
    QCOMPARE(question.buttons, Messages::Buttons::YesNo);
    QCOMPARE(question.title, d.form().windowTitle());
    QCOMPARE(question.text, jiguan + " --籍贯未包含省市区县等关键字。一般来讲要这样写：xx省xx市xx区(县)。\r\n"
                                     "点击确定按钮则不理该提示 继续保存。");
    if (Messages::Answer(answer) == Messages::Answer::No) {
        QCOMPARE(env.messages.shown.size(), 1);
        QCOMPARE(rowCount(*env.db), 0);
        QCOMPARE(d.form().focusWidget(), d.ui()->edtJiguan);
        QCOMPARE(d.fieldSnapshot(), typed);
    } else {
        QCOMPARE(env.messages.shown.size(), 1);
        QCOMPARE(rowCount(*env.db), 1);
        QCOMPARE(d.storedRow(1).at(4), jiguan);
    }
}

QTEST_MAIN(TestEntryValidation)
#include "tst_entry_validation.moc"
