// Saving from the real entry form: the whole road of one pupil (typed, saved,
// reloaded in edit mode, corrected), the duplicate question, values that SQL
// or GBK cannot carry as they are, and saves that fail.
// Runs on every database engine.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringDecoder>
#include <QStringEncoder>

#include "entry/entry_form.h"
#include "entry/teacher_lock.h"
#include "core/record/record_columns.h"
#include "entry/record_form_values.h"
#include "entry_form_driver.h"
#include "manage/school_region_tab.h"
#include "core/region/region_tables.h"
#include "ui_entry_form.h"

namespace {

using Kind = ScriptedMessages::Kind;

const QString kSaveFailed = QStringLiteral("数据保存失败。");

// The INSERT for fillStudent's pupil, written out as the statement reads.
QString expectedInsert()
{
    return QStringLiteral(
        "insert into 高一01 ("
        "姓名, 性别, 出生日期, 出生地行政区划代码, 籍贯, 民族, "
        "国籍_地区, 身份证件类型, 港澳台侨外, 健康状况, 政治面貌, 身份证件号, 户口性质, "
        "户口所在地行政区划, 入学年月, 入学方式, 就读方式, 现住址, 通信地址, 家庭地址, "
        "联系电话, 邮政编码, 是否独生子女, 是否受过学前教育, 是否留守儿童, 是否需要申请资助, "
        "是否享受一补, 是否孤儿, 是否烈士或优抚子女, "
        "成员1姓名, 成员1关系, 成员1现住址, 成员1户口所在地行政区划, 成员1联系电话, 成员1是否监护人, "
        "成员2姓名, 成员2关系, 成员2现住址, 成员2户口所在地行政区划, 成员2联系电话, 成员2是否监护人, "
        "是否进城务工人员随迁子女, 班号, "
        "出生地行政区划代码2, 户口所在地行政区划2, 成员1户口所在地行政区划2, 成员2户口所在地行政区划2 "
        ") values ("
        "'张三', '2-女', '20000315', '440606000000', '广东省佛山市顺德区', '蒙古族',"
        "'CHN-中国', '1-居民身份证', '05-台湾同胞', '20-一般或较弱', '03-共青团员', '440606200003151242', '农业户口', "
        "'110228000000', '201509', '21-统一招生考试/普通入学', '2-住校', '佛山市顺德区大良街道1号', "
        "'顺德区大良邮局88号信箱', '顺德区容桂2号', "
        "'13800138000', '528300', '1-是', '1-是', '2-双亲留守儿童', '0-否', "
        "'0-否', '0-否', '1-是', "
        "'张大山', '1-父亲', '台湾台北', '710000000000', '075722223333', '1-是', "
        "'李小梅', '2-母亲', '广州市天河区体育西路', '440106000000', '02088889999', '0-否', "
        "'1-是', '2015301', "
        "'广东省佛山市顺德区', '北京市县密云县', '台湾省台湾台湾', '广东省广州市天河区' "
        " ) ");
}

QString gb18030(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

int rowCount(Database &db)
{
    return db.query(QStringLiteral("select count(*) from 高一01")).text(0, 0).toInt();
}

} // namespace

class TestEntrySave : public QObject
{
    Q_OBJECT

private slots:
    void wholeRoadInsertReloadUpdate();
    void enterOnTopSaveButtonSaves();
    void tabLeadsFromTheLastFieldToTheSaveButton();
    void duplicateNameOrIdNumberAsks();
    void duplicateTestComparesTrimmedNotStripped();
    void quotesAndStatementTextStayValues();
    void characterOutsideGbkRoundTrip();
    void databaseErrorKeepsTheForm();
    void unwritableDebugFileKeepsTheForm();
    void updateOfVanishedRecordFails();
    void focusedFieldIsScrolledIntoView();
    void studentsAddedInTheManagementWindowShow();
    void schoolDefaultRegionStartsEveryNewRecord();
};

void TestEntrySave::wholeRoadInsertReloadUpdate()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 0 人，待补全 0 人"));
    d.fillStudent();
    QVERIFY(!QTest::currentTestFailed());
    d.clickSave();

    QCOMPARE(env.messages.texts(), QStringList());
    const QStringList expected = EntryFormDriver::expectedValues();
    const QStringList stored = d.storedRow(1);
    QCOMPARE(stored.size(), RecordColumns::Count);
    for (int c = 0; c < RecordColumns::Count; ++c)
        QVERIFY2(stored.at(c) == expected.at(c),
                 qPrintable(RecordColumns::dataColumns().at(c) + QStringLiteral(": ") + stored.at(c)));
    // GBK text: GBK bytes, no byte-order mark, no line end.
    QStringEncoder gbk("GBK");
    const QByteArray insertBytes = gbk.encode(expectedInsert());
    QVERIFY(!gbk.hasError());
    QCOMPARE(d.debugFile(), insertBytes);

    // Ready for the next pupil: hints name this one as typed, the form is empty, the cursor in 姓名.
    QCOMPARE(ui->lblHint1->text(), QStringLiteral("张 三 的学籍数据已成功保存"));
    QCOMPARE(ui->lblHint2->text(), QStringLiteral("张 三 的学籍数据已成功保存"));
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 1 人，待补全 0 人"));
    QVERIFY(ui->edtName->text().isEmpty());
    QCOMPARE(ui->cbSex->currentIndex(), -1);
    QCOMPARE(ui->cbArea1->currentIndex(), -1);
    QCOMPARE(ui->cbCity2->currentText(), QStringLiteral("佛山市"));
    QCOMPARE(ui->dtBirth->date(), d.startupDate().date());
    QCOMPARE(ui->cbYear->currentText(), QStringLiteral("2015"));
    QCOMPARE(ui->edtGrade->text(), QStringLiteral("高一"));
    QCOMPARE(d.form().focusWidget(), ui->edtName);

    // Edit mode lists the record and loads every read-back column into its field.
    d.enterEditMode();
    QCOMPARE(ui->cbStud->count(), 1);
    QCOMPARE(ui->cbStud->itemText(0), QStringLiteral("1    张三"));
    d.pickRecord(1);
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三"));
    QCOMPARE(ui->dtBirth->date(), QDate(2000, 3, 15));
    QCOMPARE(ui->cbProv2->currentText() + ui->cbCity2->currentText() + ui->cbArea2->currentText(),
             QStringLiteral("北京市县密云县"));
    QCOMPARE(ui->cbArea3->currentText(), QStringLiteral("台湾"));
    QCOMPARE(ui->cbCity4->currentText(), QStringLiteral("广州市"));
    QCOMPARE(ui->edtMonth->text(), QStringLiteral("09"));
    QCOMPARE(d.form().focusWidget(), ui->edtName);
    // Written back unchanged, the loaded form gives the stored values again.
    QCOMPARE(RecordFormValues::gather(d.form(), QStringLiteral("高一01"), QStringLiteral("01")), expected);

    // A correction is an UPDATE of that record; 班号 keeps its value even with another entry year.
    d.retype(ui->edtAddr, QStringLiteral("顺德区 伦教 9 号"));
    d.choose(ui->cbYear, QStringLiteral("2014"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    const QString update = gb18030(d.debugFile());
    QVERIFY2(update.startsWith(QStringLiteral("update 高一01 set 姓名='张三', 性别='2-女', ")), qPrintable(update));
    QVERIFY(update.endsWith(QStringLiteral("成员2户口所在地行政区划2='广东省广州市天河区'  where id = 1")));
    QVERIFY(!update.contains(QStringLiteral("班号")));
    QCOMPARE(rowCount(*env.db), 1);
    QStringList corrected = expected;
    corrected[RecordColumns::Addr] = QStringLiteral("顺德区伦教9号");
    corrected[RecordColumns::EntryYearMonth] = QStringLiteral("201409");
    QCOMPARE(d.storedRow(1), corrected);
    // Still in edit mode, no record chosen; the list is not reloaded.
    QVERIFY(ui->chEdit->isChecked());
    QCOMPARE(ui->cbStud->currentIndex(), -1);
    QCOMPARE(ui->cbStud->count(), 1);
    QCOMPARE(ui->lblHint2->text(), QStringLiteral("张三 的学籍数据已成功保存"));
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 1 人，待补全 0 人"));
    QCOMPARE(d.form().focusWidget(), ui->edtName);

    // The next save without a new choice is a new record again.
    d.fillStudent(QStringLiteral("李四"), QStringLiteral("440606200003151066"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QVERIFY(gb18030(d.debugFile()).startsWith(QStringLiteral("insert into 高一01 (")));
    QCOMPARE(rowCount(*env.db), 2);
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 2 人，待补全 0 人"));
}

void TestEntrySave::enterOnTopSaveButtonSaves()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent();
    d.ui()->Button2->setFocus(Qt::TabFocusReason);
    QTest::keyClick(d.ui()->Button2, Qt::Key_Return);
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(1), EntryFormDriver::expectedValues());
    QCOMPARE(d.form().focusWidget(), d.ui()->edtName);
}

void TestEntrySave::tabLeadsFromTheLastFieldToTheSaveButton()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    d.fillStudent();
    ui->cbJianhu2->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui->cbJianhu2, Qt::Key_Tab);
    QCOMPARE(d.form().focusWidget(), ui->Button1);
    QTest::keyClick(ui->Button1, Qt::Key_Enter);
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(1), EntryFormDriver::expectedValues());
    // Straight on with the next pupil.
    QCOMPARE(d.form().focusWidget(), ui->edtName);
    QTest::keyClick(ui->edtName, Qt::Key_Tab);
    QCOMPARE(d.form().focusWidget(), ui->cbSex);
}

void TestEntrySave::duplicateNameOrIdNumberAsks()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent(QStringLiteral("张三"));
    d.clickSave();
    const QByteArray firstStatement = d.debugFile();

    // Same name, other ID number: asked; Cancel keeps everything as it was.
    d.fillStudent(QStringLiteral("张三"), QStringLiteral("440606200003151082"));
    const QStringList typed = d.fieldSnapshot();
    env.messages.answerNext(Messages::Answer::Cancel);
    d.clickSave();
    QCOMPARE(env.messages.shown.size(), 2);
    const ScriptedMessages::Shown &question = env.messages.shown.at(0);
    QCOMPARE(question.kind, Kind::Box);
    QCOMPARE(question.icon, Messages::Icon::Warning);
    QCOMPARE(question.buttons, Messages::Buttons::OkCancel);
    QCOMPARE(question.title, d.form().windowTitle());
    QCOMPARE(question.text, QStringLiteral("检测到班级 高一01 已存在名字为 张三 的同学，不能添加同样的记录。请咨询管理员如何编辑数据。"));
    QCOMPARE(env.messages.shown.at(1).kind, Kind::Plain);
    QCOMPARE(env.messages.shown.at(1).text, kSaveFailed);
    QCOMPARE(d.fieldSnapshot(), typed);
    QVERIFY(d.ui()->lblHint1->text().isEmpty());
    QCOMPARE(d.debugFile(), firstStatement);
    QCOMPARE(rowCount(*env.db), 1);

    // OK inserts the second record.
    env.messages.clear();
    env.messages.answerNext(Messages::Answer::Ok);
    d.clickSave();
    QCOMPARE(env.messages.texts().size(), 1);
    QCOMPARE(rowCount(*env.db), 2);

    // Other name, same ID number as a stored one: asked too.
    env.messages.clear();
    d.fillStudent(QStringLiteral("王五"), QStringLiteral("440606200003151082"));
    env.messages.answerNext(Messages::Answer::Cancel);
    d.clickSave();
    QVERIFY(env.messages.texts().first().contains(QStringLiteral("已存在名字为 王五 的同学")));
    QCOMPARE(env.messages.lastText(), kSaveFailed);
    QCOMPARE(rowCount(*env.db), 2);
}

void TestEntrySave::duplicateTestComparesTrimmedNotStripped()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent(QStringLiteral("张三"));
    d.clickSave();

    // Blanks around the name are trimmed for the test: still the same name.
    d.fillStudent(QStringLiteral("  张三 "), QStringLiteral("440606200003151082"));
    env.messages.answerNext(Messages::Answer::Cancel);
    d.clickSave();
    QCOMPARE(env.messages.shown.first().kind, Kind::Box);
    QCOMPARE(rowCount(*env.db), 1);

    // A blank inside is not removed for the test, so no question; the stored name loses it.
    env.messages.clear();
    EntryFormDriver::retype(d.ui()->edtName, QStringLiteral("张 三"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(2).at(RecordColumns::Name), QStringLiteral("张三"));
}

void TestEntrySave::quotesAndStatementTextStayValues()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    d.fillStudent(QStringLiteral("O'Brien"));
    EntryFormDriver::retype(ui->edtAddr, QStringLiteral("'); drop table 高一01; --"));
    // The entry year is the one typed value saved without blank removal.
    ui->cbYear->setFocus();
    ui->cbYear->lineEdit()->selectAll();
    EntryFormDriver::type(ui->cbYear->lineEdit(), QStringLiteral("'); drop table 高一01; --"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());

    QStringList stored = d.storedRow(1);
    QCOMPARE(stored.at(RecordColumns::Name), QStringLiteral("O'Brien"));
    QCOMPARE(stored.at(RecordColumns::Addr), QStringLiteral("');droptable高一01;--"));
    QCOMPARE(stored.at(RecordColumns::EntryYearMonth), QStringLiteral("'); drop table 高一01; --09"));
    QCOMPARE(stored.at(RecordColumns::ClassCode), QStringLiteral("'); drop table 高一01; --301"));
    QVERIFY(env.db->tableNames().contains(QStringLiteral("高一01")));

    // The duplicate query carries the quote too: the same name is found.
    d.fillStudent(QStringLiteral("O'Brien"), QStringLiteral("440606200003151082"));
    env.messages.answerNext(Messages::Answer::Cancel);
    d.clickSave();
    QCOMPARE(env.messages.shown.first().kind, Kind::Box);
    QVERIFY(env.messages.shown.first().text.contains(QStringLiteral("名字为 O'Brien 的同学")));

    // Reloaded and saved back by UPDATE, the values stay exactly as they are.
    env.messages.clear();
    d.enterEditMode();
    env.messages.answerNext(Messages::Answer::Discard); // the pupil typed and not saved
    d.pickRecord(1);
    QCOMPARE(ui->edtName->text(), QStringLiteral("O'Brien"));
    QCOMPARE(ui->edtAddr->text(), QStringLiteral("');droptable高一01;--"));
    QCOMPARE(ui->cbYear->currentText(), QString()); // no item of that text
    ui->cbYear->lineEdit()->setText(QStringLiteral("'); drop table 高一01; --"));
    env.messages.clear();
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(1), stored);
    QVERIFY(gb18030(d.debugFile()).contains(QStringLiteral("姓名='O''Brien'")));
    QCOMPARE(rowCount(*env.db), 1);
}

void TestEntrySave::characterOutsideGbkRoundTrip()
{
    TestEnv env;
    EntryFormDriver d(env);
    const QString name = QStringLiteral("王\U00020BB7");
    d.fillStudent(name);
    QCOMPARE(d.ui()->edtName->text(), name);
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(1).at(RecordColumns::Name), name);
    QCOMPARE(d.ui()->lblHint1->text(), name + QStringLiteral(" 的学籍数据已成功保存"));

    // debug.txt holds the whole statement: GBK bytes for 王, four GB18030 bytes for the other.
    const QByteArray bytes = d.debugFile();
    QVERIFY(bytes.contains(QByteArray("'\xCD\xF5\x95\x34\xB2\x35'")));
    QVERIFY(!bytes.contains('?'));
    const QString statement = gb18030(bytes);
    QVERIFY(statement.startsWith(QStringLiteral("insert into 高一01 (姓名, ")));
    QVERIFY(statement.contains(QStringLiteral(") values ('") + name + QStringLiteral("', '2-女'")));

    d.enterEditMode();
    d.pickRecord(1);
    QCOMPARE(d.ui()->edtName->text(), name);
}

void TestEntrySave::databaseErrorKeepsTheForm()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent();
    env.db->execute(QStringLiteral("drop table 高一01"));
    const QStringList typed = d.fieldSnapshot();
    d.clickSave();
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.first().kind, Kind::Error);
    QVERIFY2(env.messages.lastText().contains(QStringLiteral("高一01")), qPrintable(env.messages.lastText()));
    QCOMPARE(d.fieldSnapshot(), typed);
    QVERIFY(d.ui()->lblHint1->text().isEmpty() && d.ui()->lblHint2->text().isEmpty());

    // With the table back, the same form saves.
    env.messages.clear();
    env.createClassTable(QStringLiteral("高一01"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(1), EntryFormDriver::expectedValues());
}

void TestEntrySave::unwritableDebugFileKeepsTheForm()
{
    TestEnv env;
    EntryFormDriver d(env);
    // A folder where the file should be: debug.txt cannot be created.
    QVERIFY(QDir(env.dir.path()).mkdir(QStringLiteral("debug.txt")));
    d.fillStudent();
    const QStringList typed = d.fieldSnapshot();
    d.clickSave();
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.first().kind, Kind::Error);
    QVERIFY(env.messages.lastText().contains(QStringLiteral("debug.txt")));
    QCOMPARE(d.fieldSnapshot(), typed);
    QCOMPARE(rowCount(*env.db), 0); // the statement never ran
}

void TestEntrySave::updateOfVanishedRecordFails()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent();
    d.clickSave();
    d.enterEditMode();
    d.pickRecord(1);
    env.db->execute(QStringLiteral("delete from 高一01"));
    const QStringList loaded = d.fieldSnapshot();
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList{kSaveFailed});
    QCOMPARE(env.messages.shown.first().kind, Kind::Plain);
    QVERIFY(gb18030(d.debugFile()).endsWith(QStringLiteral(" where id = 1")));
    QCOMPARE(d.fieldSnapshot(), loaded);
    QCOMPARE(d.ui()->cbStud->currentIndex(), 0);
}

void TestEntrySave::focusedFieldIsScrolledIntoView()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    QVERIFY(QTest::qWaitForWindowActive(&d.form()));
    QWidget *viewport = ui->ScrollBox1->viewport();
    QScrollBar *bar = ui->ScrollBox1->verticalScrollBar();
    const auto inView = [&](QWidget *w) {
        return viewport->rect().contains(QRect(w->mapTo(viewport, QPoint(0, 0)), w->size()));
    };
    d.fillStudent();
    d.retype(ui->edtContact1, QStringLiteral("0757-2222"));

    // Saved from the top: the refused telephone far down the form is shown
    // with the focus in it, not left out of sight.
    bar->setValue(0);
    QVERIFY(!inView(ui->edtContact1));
    QTest::mouseClick(ui->Button2, Qt::LeftButton);
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("0757-2222 -- 联系电话错误，必须全部是数字。")});
    QCOMPARE(QApplication::focusWidget(), ui->edtContact1);
    QVERIFY(inView(ui->edtContact1));

    // Saved from the foot: the form goes back to the top, the first group's
    // caption in full view, the cursor in the next pupil's name field.
    d.retype(ui->edtContact1, QStringLiteral("075722223333"));
    bar->setValue(bar->maximum());
    QVERIFY(!inView(ui->edtName));
    d.clickSave();
    QCOMPARE(d.storedRow(1), EntryFormDriver::expectedValues());
    QCOMPARE(QApplication::focusWidget(), ui->edtName);
    QCOMPARE(bar->value(), 0);
}

QTEST_MAIN(TestEntrySave)
void TestEntrySave::studentsAddedInTheManagementWindowShow()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    // The management window stands in for an import: two students arrive while it is open.
    d.form().setManagementWindowFactory([](QWidget *parent) { return new QDialog(parent); });
    auto importWhileOpen = [&](const QStringList &names) {
        QTimer::singleShot(0, [&d, names] {
            for (const QString &name : names)
                d.db().execute(QStringLiteral("insert into 高一01 (姓名) values ('%1')").arg(name));
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        d.form().teacherLock().openChecked(); // the teacher's password is asked elsewhere
        d.form().SpeedButton1Click();
    };
    importWhileOpen({QStringLiteral("李四")});
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 1 人，待补全 1 人")); // a name alone is not complete

    // In edit mode the list takes them in, unless a student is being edited.
    d.form().teacherLock().openChecked();
    ui->chEdit->setChecked(true);
    QCOMPARE(ui->cbStud->count(), 1);
    importWhileOpen({QStringLiteral("王五")});
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 2 人，待补全 2 人"));
    QCOMPARE(ui->cbStud->count(), 2);
    ui->cbStud->setCurrentIndex(0);
    importWhileOpen({QStringLiteral("赵六")});
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 3 人，待补全 3 人"));
    QCOMPARE(ui->cbStud->count(), 2);
    QCOMPARE(ui->cbStud->currentIndex(), 0);
}

void TestEntrySave::schoolDefaultRegionStartsEveryNewRecord()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    QCOMPARE(ui->cbProv1->currentText() + ui->cbCity1->currentText(), QStringLiteral("广东省佛山市"));

    // Another workstation sets the school's default in its management window.
    const auto other = env.connectAgain();
    RegionTables tables;
    tables.LoadRegionTables();
    SchoolRegionTab tab(*other, env.services, [&]() -> const RegionTables & { return tables; });
    tab.show();
    tab.showStored();
    QCOMPARE(tab.provinceList()->currentText(), QStringLiteral("广东省"));
    EntryFormDriver::choose(tab.provinceList(), QStringLiteral("湖南省"));
    EntryFormDriver::choose(tab.cityList(), QStringLiteral("长沙市"));
    EntryFormDriver::choose(tab.countyList(), QStringLiteral("岳麓区"));
    QTest::mouseClick(tab.saveButton(), Qt::LeftButton);

    // This workstation's next new record starts there, in all four pickers.
    d.fillStudent();
    d.clickSave();
    QCOMPARE(d.storedRow(1).size(), RecordColumns::Count);
    const QComboBox *lists[][3] = {{ui->cbProv1, ui->cbCity1, ui->cbArea1}, {ui->cbProv2, ui->cbCity2, ui->cbArea2},
                                   {ui->cbProv3, ui->cbCity3, ui->cbArea3}, {ui->cbProv4, ui->cbCity4, ui->cbArea4}};
    for (const auto &picker : lists)
        QCOMPARE(picker[0]->currentText() + picker[1]->currentText() + picker[2]->currentText(),
                 QStringLiteral("湖南省长沙市岳麓区"));

    QTest::mouseClick(tab.builtInButton(), Qt::LeftButton);
    d.form().ResetEntryForm();
    QCOMPARE(ui->cbProv2->currentText() + ui->cbCity2->currentText() + ui->cbArea2->currentText(),
             QStringLiteral("广东省佛山市"));
}

#include "tst_entry_save.moc"
