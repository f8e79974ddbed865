// Edit mode of the real entry form: the student list, loading a stored record
// back into the fields (every read-back rule, odd stored values), saving it
// as an update, and leaving edit mode.
// Runs on every database engine.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

#include "entry/entry_form.h"
#include "entry/teacher_lock.h"
#include "core/record/record_columns.h"
#include "entry/record_form_values.h"
#include "entry_form_driver.h"
#include "ui_entry_form.h"

namespace {

using Kind = ScriptedMessages::Kind;

QStringList itemsOf(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// Saves fillStudent's pupil under that name and ID number through the form.
void saveStudent(EntryFormDriver &d, const QString &name, const QString &cardNo)
{
    d.fillStudent(name, cardNo);
    d.clickSave();
}

void setStored(TestEnv &env, const QString &column, const QString &value, qint64 id = 1)
{
    env.db->execute(QStringLiteral("update 高一01 set ") + column + QStringLiteral(" = '") + value
                    + QStringLiteral("' where id = ") + QString::number(id));
}

} // namespace

class TestEntryEditMode : public QObject
{
    Q_OBJECT

private slots:
    void emptyClassGivesEnabledEmptyList();
    void listIsOrderedByNameWithIds();
    void untickingEmptiesTheForm();
    void choosingNothingSavesANewRecord();
    void chosenRecordSkipsTheDuplicateTest();
    void idsOverFourDigits();
    void missingRecordIsReported();
    void storedValuesWithoutMatchingItems();
    void unreadableValuesLeaveOnlyTheirFieldsEmpty();
    void longStoredValueIsNotCut();
    void loadedFixedFieldsDoNotPassToTheNextPupil();
    void leavingAChangedRecordAsks();
    void listOfPupilsStillToComplete();
};

void TestEntryEditMode::emptyClassGivesEnabledEmptyList()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    QVERIFY(!ui->cbStud->isEnabled());
    d.enterEditMode();
    QVERIFY(ui->cbStud->isEnabled());
    QCOMPARE(ui->cbStud->count(), 0);
    QCOMPARE(d.form().focusWidget(), ui->edtName);
    QCOMPARE(env.messages.texts(), QStringList());
}

void TestEntryEditMode::listIsOrderedByNameWithIds()
{
    TestEnv env;
    EntryFormDriver d(env);
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    saveStudent(d, QStringLiteral("李四"), QStringLiteral("440606200003151082"));
    env.messages.answerNext(Messages::Answer::Ok); // a second 张三
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003152026"));
    d.enterEditMode();
    // Names in the database's (pinyin) order; the same name twice differs only by its id.
    QCOMPARE(itemsOf(d.ui()->cbStud),
             QStringList({QStringLiteral("2    李四"), QStringLiteral("1    张三"), QStringLiteral("3    张三")}));
    QCOMPARE(d.ui()->cbStud->currentIndex(), -1);
}

void TestEntryEditMode::untickingEmptiesTheForm()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    const QStringList emptyForm = d.fieldSnapshot();
    d.enterEditMode();
    d.pickRecord(1);
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三"));

    QTest::mouseClick(ui->chEdit, Qt::LeftButton);
    QVERIFY(!ui->chEdit->isChecked());
    QVERIFY(!ui->cbStud->isEnabled());
    QCOMPARE(ui->cbStud->count(), 0);
    QVERIFY(ui->cbStud->currentText().isEmpty());
    QCOMPARE(d.fieldSnapshot(), emptyForm);
    QCOMPARE(d.form().focusWidget(), ui->edtName);
    // Edit mode left locks the teacher's functions: the list is hidden.
    QVERIFY(!d.form().teacherLock().isOpen());
    QVERIFY(!ui->cbStud->isVisible());
    // Ticked again by the teacher, the list is read anew.
    d.form().teacherLock().openChecked();
    QTest::mouseClick(ui->chEdit, Qt::LeftButton);
    QCOMPARE(itemsOf(ui->cbStud), QStringList{QStringLiteral("1    张三")});
}

void TestEntryEditMode::choosingNothingSavesANewRecord()
{
    TestEnv env;
    EntryFormDriver d(env);
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    d.enterEditMode();
    d.fillStudent(QStringLiteral("张三"), QStringLiteral("440606200003151082"));
    env.messages.answerNext(Messages::Answer::Cancel);
    d.clickSave();
    QCOMPARE(env.messages.shown.first().kind, Kind::Box); // the duplicate question of a new record
    QCOMPARE(env.messages.lastText(), QStringLiteral("数据保存失败。"));
}

void TestEntryEditMode::chosenRecordSkipsTheDuplicateTest()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    saveStudent(d, QStringLiteral("李四"), QStringLiteral("440606200003151082"));
    d.enterEditMode();
    d.pickRecord(2);
    // Renamed to a name another record has: no question, only record 2 changes.
    EntryFormDriver::retype(ui->edtName, QStringLiteral("张三"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(2).at(RecordColumns::Name), QStringLiteral("张三"));
    QCOMPARE(d.storedRow(1).at(RecordColumns::CardNo), QStringLiteral("440606200003151066"));
    QCOMPARE(d.storedRow(2).at(RecordColumns::CardNo), QStringLiteral("440606200003151082"));
    // The list is a snapshot: it still shows the old name, with nothing chosen.
    QCOMPARE(ui->cbStud->currentIndex(), -1);
    QVERIFY(itemsOf(ui->cbStud).contains(QStringLiteral("2    李四")));
}

void TestEntryEditMode::idsOverFourDigits()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    saveStudent(d, QStringLiteral("李四"), QStringLiteral("440606200003151082"));
    env.db->execute(QStringLiteral("update 高一01 set id = 9999 where id = 1"));
    env.db->execute(QStringLiteral("update 高一01 set id = 123456 where id = 2"));
    d.enterEditMode();
    QCOMPARE(itemsOf(ui->cbStud), QStringList({QStringLiteral("123456 李四"), QStringLiteral("9999 张三")}));

    d.pickRecord(123456);
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(ui->edtName->text(), QStringLiteral("李四"));
    QCOMPARE(d.form().chosenRecordId(), qint64(123456));
    EntryFormDriver::retype(ui->edtAddr, QStringLiteral("新址"));
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(123456).at(RecordColumns::Addr), QStringLiteral("新址"));
    QCOMPARE(d.storedRow(9999).at(RecordColumns::Addr), EntryFormDriver::expectedValues().at(RecordColumns::Addr));
    QVERIFY(d.debugFile().endsWith("  where id = 123456"));

    d.pickRecord(9999);
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三"));
}

void TestEntryEditMode::missingRecordIsReported()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    const QStringList emptyForm = d.fieldSnapshot();
    d.enterEditMode();
    env.db->execute(QStringLiteral("delete from 高一01 where id = 1"));
    ui->edtName->setText(QStringLiteral("未保存"));
    env.messages.answerNext(Messages::Answer::Discard);
    d.pickRecord(1);
    QCOMPARE(env.messages.texts(), (QStringList{QStringLiteral("有未保存的修改，是否保存？"),
                                                QStringLiteral("编号= 1 的学籍数据未能找到。")}));
    QCOMPARE(env.messages.shown.last().kind, Kind::Plain);
    QCOMPARE(d.fieldSnapshot().mid(1), emptyForm.mid(1)); // all but cbStud, which shows the item
    QCOMPARE(ui->cbStud->currentText(), QStringLiteral("1    张三"));
    QCOMPARE(d.form().focusWidget(), ui->edtName);
}

void TestEntryEditMode::storedValuesWithoutMatchingItems()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    setStored(env, QStringLiteral("民族"), QStringLiteral("汉族"));           // no prefix: no item
    setStored(env, QStringLiteral("国籍_地区"), QStringLiteral("chn-中国"));   // other case: the item
    setStored(env, QStringLiteral("港澳台侨外"), QStringLiteral("99-其他"));
    setStored(env, QStringLiteral("入学年月"), QStringLiteral("199809"));      // year not listed
    setStored(env, QStringLiteral("户口所在地行政区划"), QStringLiteral("999999000000")); // no such county
    setStored(env, QStringLiteral("成员1户口所在地行政区划"), QStringLiteral("440604")); // code alone
    setStored(env, QStringLiteral("是否需要申请资助"), QStringLiteral("1-是"));
    d.enterEditMode();
    d.pickRecord(1);
    // The values the form cannot show are named, in the record's order.
    QCOMPARE(env.messages.texts(), QStringList{RecordFormValues::unshownMessage(
                                       {"民族“汉族”", "户口所在地行政区划“999999000000”", "入学年月“199809”"})});
    QCOMPARE(ui->cbMinzu->currentIndex(), -1);
    QCOMPARE(ui->cbNation->currentIndex(), 0);
    QCOMPARE(ui->cbQiao->currentText(), QStringLiteral("99-其他"));
    QVERIFY(ui->cbYear->currentText().isEmpty());
    QCOMPARE(ui->edtMonth->text(), QStringLiteral("09"));
    for (QComboBox *list : {ui->cbProv2, ui->cbCity2, ui->cbArea2})
        QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(ui->cbProv3->currentText() + ui->cbCity3->currentText() + ui->cbArea3->currentText(),
             QStringLiteral("广东省佛山市禅城区"));
    QCOMPARE(ui->cbZizhu->currentText(), QStringLiteral("1-是"));

    // Of the three 联合国 items, the first is chosen.
    setStored(env, QStringLiteral("国籍_地区"), QStringLiteral("联合国"));
    d.pickRecord(1);
    QCOMPARE(ui->cbNation->currentIndex(), ui->cbNation->findText(QStringLiteral("联合国")));
    QCOMPARE(ui->cbNation->itemText(ui->cbNation->currentIndex() + 1), QStringLiteral("联合国"));

    // What matches no item must be chosen again before a save.
    d.clickSave();
    QVERIFY(env.messages.lastText().startsWith(QStringLiteral("检测到有 5 处未完成的项目")));
}

void TestEntryEditMode::unreadableValuesLeaveOnlyTheirFieldsEmpty()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    // An imported pupil: no region codes at all, a birth date and a code that cannot be read.
    for (const char *column : {"出生地行政区划代码", "成员1户口所在地行政区划", "成员2户口所在地行政区划"})
        setStored(env, QString::fromUtf8(column), QString());
    setStored(env, QStringLiteral("出生日期"), QStringLiteral("2000-3-1"));
    setStored(env, QStringLiteral("户口所在地行政区划"), QStringLiteral("44x606000000"));
    d.enterEditMode();
    d.pickRecord(1);
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.first().kind, Kind::Plain);
    QCOMPARE(env.messages.lastText(), RecordFormValues::unshownMessage(
                                          {"出生日期“2000-3-1”", "出生地行政区划代码“”", "户口所在地行政区划“44x606000000”",
                                           "成员1户口所在地行政区划“”", "成员2户口所在地行政区划“”"}));
    // Every other stored value is in its field.
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三"));
    QCOMPARE(ui->edtJiguan->text(), QStringLiteral("广东省佛山市顺德区"));
    QCOMPARE(ui->edtCardNo->text(), QStringLiteral("440606200003151066"));
    QCOMPARE(ui->cbMinzu->currentText(), QStringLiteral("蒙古族"));
    QCOMPARE(ui->cbHukou->currentText(), QStringLiteral("农业户口"));
    QCOMPARE(ui->cbRuxueFangshi->currentText(), QStringLiteral("21-统一招生考试/普通入学"));
    QCOMPARE(ui->edtContact->text(), QStringLiteral("13800138000"));
    for (QComboBox *list : {ui->cbProv1, ui->cbCity1, ui->cbArea1, ui->cbProv2, ui->cbArea2})
        QCOMPARE(list->currentIndex(), -1);

    // A save from here blanks nothing: the four places must be chosen first.
    env.messages.clear();
    d.clickSave();
    QVERIFY(env.messages.lastText().startsWith(QStringLiteral("检测到有 12 处未完成的项目")));
    QCOMPARE(d.storedRow(1).at(RecordColumns::Jiguan), QStringLiteral("广东省佛山市顺德区"));
}

void TestEntryEditMode::longStoredValueIsNotCut()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    const QString longName = QStringLiteral("阿卜杜热合曼·买买提艾力·阿不都克力木江");
    const QString longAddr = QString(120, QChar(0x8DEF));
    QVERIFY(longName.size() > ui->edtName->maxLength());
    setStored(env, QStringLiteral("姓名"), longName);
    setStored(env, QStringLiteral("现住址"), longAddr);
    d.enterEditMode();
    d.pickRecord(1);
    QCOMPARE(ui->edtName->text(), longName);
    QCOMPARE(ui->edtAddr->text(), longAddr);

    // Saved back unchanged, then the limits of the form hold again.
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(1).at(RecordColumns::Name), longName);
    QCOMPARE(d.storedRow(1).at(RecordColumns::Addr), longAddr);
    QCOMPARE(ui->edtName->maxLength(), 16);
    QCOMPARE(ui->edtAddr->maxLength(), 80);
    EntryFormDriver::type(ui->edtName, longName);
    QCOMPARE(ui->edtName->text(), longName.left(16));
}

void TestEntryEditMode::loadedFixedFieldsDoNotPassToTheNextPupil()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    setStored(env, QStringLiteral("入学年月"), QStringLiteral("2015"));
    setStored(env, QStringLiteral("是否需要申请资助"), QString());
    setStored(env, QStringLiteral("是否享受一补"), QStringLiteral("1-是"));
    d.enterEditMode();
    d.pickRecord(1);
    // The record shows what it holds, in fields the user cannot change.
    QCOMPARE(ui->edtMonth->text(), QStringLiteral("15"));
    QCOMPARE(ui->cbZizhu->currentIndex(), -1);
    QCOMPARE(ui->cbYibu->currentText(), QStringLiteral("1-是"));

    // Leaving the record gives them back their fixed values: the next pupil
    // is stored with the month 09 and 0-否, and can be saved at all.
    QTest::mouseClick(ui->chEdit, Qt::LeftButton);
    QCOMPARE(ui->edtMonth->text(), QStringLiteral("09"));
    QCOMPARE(ui->cbZizhu->currentText(), QStringLiteral("0-否"));
    QCOMPARE(ui->cbYibu->currentText(), QStringLiteral("0-否"));
    saveStudent(d, QStringLiteral("李四"), QStringLiteral("440606200003151082"));
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.storedRow(2), EntryFormDriver::expectedValues(QStringLiteral("李四"), QStringLiteral("440606200003151082")));
}

void TestEntryEditMode::leavingAChangedRecordAsks()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    saveStudent(d, QStringLiteral("李四"), QStringLiteral("440606200003151082"));
    d.enterEditMode();
    d.pickRecord(1);
    QVERIFY(env.messages.shown.isEmpty()); // nothing changed: no question
    EntryFormDriver::retype(ui->edtName, QStringLiteral("张三丰"));

    // 取消: the record stays as typed, the list back on it.
    env.messages.answerNext(Messages::Answer::Cancel);
    const int other = ui->cbStud->findData(2);
    ui->cbStud->setCurrentIndex(other); // as a pick from the list does
    emit ui->cbStud->activated(other);
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("有未保存的修改，是否保存？")});
    QCOMPARE(env.messages.shown.first().buttons, Messages::Buttons::SaveDiscardCancel);
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三丰"));
    QCOMPARE(ui->cbStud->currentData().toLongLong(), 1);

    // 保存: the first record is updated, then the other one shows.
    env.messages.answerNext(Messages::Answer::Save);
    d.pickRecord(2);
    QCOMPARE(d.storedRow(1).at(RecordColumns::Name), QStringLiteral("张三丰"));
    QCOMPARE(ui->edtName->text(), QStringLiteral("李四"));

    // 不保存 on unticking edit mode: nothing written, the form empty.
    env.messages.clear();
    EntryFormDriver::retype(ui->edtName, QStringLiteral("李四四"));
    env.messages.answerNext(Messages::Answer::Discard);
    QTest::mouseClick(ui->chEdit, Qt::LeftButton);
    QCOMPARE(env.messages.texts(), QStringList{QStringLiteral("有未保存的修改，是否保存？")});
    QVERIFY(!ui->chEdit->isChecked());
    QCOMPARE(d.storedRow(2).at(RecordColumns::Name), QStringLiteral("李四"));
    QVERIFY(ui->edtName->text().isEmpty());

    // Closing the window with a pupil typed: 取消 keeps the window and the text.
    EntryFormDriver::type(ui->edtName, QStringLiteral("王五"));
    env.messages.answerNext(Messages::Answer::Cancel);
    QVERIFY(!d.form().close());
    QCOMPARE(ui->edtName->text(), QStringLiteral("王五"));
}

void TestEntryEditMode::listOfPupilsStillToComplete()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    saveStudent(d, QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名, 身份证件号) values ('李四', '440606200003151082')"));
    d.enterEditMode();
    QCOMPARE(itemsOf(ui->cbStud).size(), 2);
    QTest::mouseClick(ui->chIncompleteOnly, Qt::LeftButton);
    QCOMPARE(itemsOf(ui->cbStud), QStringList{QStringLiteral("2    李四")});
    QTest::mouseClick(ui->chIncompleteOnly, Qt::LeftButton);
    QCOMPARE(itemsOf(ui->cbStud).size(), 2);
}

QTEST_MAIN(TestEntryEditMode)
#include "tst_entry_edit_mode.moc"
