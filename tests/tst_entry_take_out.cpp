// Edit mode's 移出 in the real entry form: the reason asked, the pupil shown
// taken out and kept, the list read again.
// Runs on every database engine.
#include <QtTest>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <QTableWidget>

#include "core/keeping/kept_records.h"
#include "manage/kept_records_dialog.h"
#include "manage/management_window.h"
#include "entry/entry_form.h"
#include "entry/remove_reason_dialog.h"
#include "entry_form_driver.h"
#include "ui_entry_form.h"

namespace {

// With TAVRO_SCREENSHOTS naming a folder (run under Xvfb with
// QT_QPA_PLATFORM=xcb), the windows are saved there to be looked at.
void screenshot(QWidget *window, const QString &name)
{
    const QString folder = qEnvironmentVariable("TAVRO_SCREENSHOTS");
    if (!folder.isEmpty())
        window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

// Answers the reason dialog once it is up: picks the reason, types the note,
// and presses 移出 (when it can) or 取消. okWasEnabled tells what 移出 allowed.
void answerReason(const QString &reason, const QString &note, bool press, bool *okWasEnabled)
{
    QTimer::singleShot(0, [=] {
        auto *dialog = qobject_cast<RemoveReasonDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        for (QRadioButton *button : dialog->findChildren<QRadioButton *>()) {
            if (button->text() == reason)
                button->click();
        }
        if (!note.isEmpty())
            EntryFormDriver::type(dialog->findChild<QLineEdit *>(), note);
        QPushButton *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        *okWasEnabled = ok->isEnabled();
        screenshot(dialog, QStringLiteral("entry-take-out-reason"));
        if (press && ok->isEnabled())
            ok->click();
        else
            dialog->reject();
    });
}

} // namespace

class TestEntryTakeOut : public QObject
{
    Q_OBJECT

private slots:
    void takesOutThePupilBeingEdited();
    void keptListBringsBackAndDeletesAfterTheWord();
};

void TestEntryTakeOut::takesOutThePupilBeingEdited()
{
    TestEnv env;
    EntryFormDriver d(env);
    Ui::TForm1 *ui = d.ui();
    d.fillStudent(QStringLiteral("张三"), QStringLiteral("440606200003151242"));
    d.clickSave();
    d.fillStudent(QStringLiteral("李四"), QStringLiteral("440606200003151883"));
    d.clickSave();
    d.enterEditMode();
    QVERIFY(ui->btnRemove->isVisible());

    // Without a pupil chosen nothing is asked and nothing leaves.
    QTest::mouseClick(ui->btnRemove, Qt::LeftButton);
    QCOMPARE(env.messages.shown.size(), 1);

    d.pickRecord(1);
    bool okEnabled = true;
    // 其他 without a text cannot be chosen; cancelling changes nothing.
    answerReason(QStringLiteral("其他"), QString(), true, &okEnabled);
    QTest::mouseClick(ui->btnRemove, Qt::LeftButton);
    QVERIFY(!okEnabled);
    QCOMPARE(d.db().query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("2"));
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三"));

    answerReason(QStringLiteral("其他"), QStringLiteral("录错了班"), true, &okEnabled);
    QTest::mouseClick(ui->btnRemove, Qt::LeftButton);
    QVERIFY(okEnabled);
    QCOMPARE(d.db().query(QStringLiteral("select 姓名 from 高一01")).text(0, 0), QStringLiteral("李四"));
    const QList<KeptRecords::Kept> kept = KeptRecords::list(d.db(), QStringLiteral("高一01"));
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept.at(0).name + kept.at(0).reason, QStringLiteral("张三其他：录错了班"));
    // The form is empty and lists the pupils left; the next save is a new pupil.
    QVERIFY(ui->edtName->text().isEmpty());
    QCOMPARE(ui->cbStud->count(), 1);
    QCOMPARE(ui->cbStud->currentIndex(), -1);
    QVERIFY(ui->lblHint1->text().contains(QStringLiteral("已移出")));
    screenshot(&d.form(), QStringLiteral("entry-after-take-out"));
}

void TestEntryTakeOut::keptListBringsBackAndDeletesAfterTheWord()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('甲'), ('乙')"));
    {
        ManagementWindow window(*env.db, env.services);
        window.show();
        window.tableBox()->setCurrentText(QStringLiteral("高一01"));
        screenshot(&window, QStringLiteral("management-print-tab"));
    }
    KeptRecords::takeOutNow(*env.db, QStringLiteral("高一01"), {1, 2}, QStringLiteral("休学"));
    KeptRecordsDialog dialog(*env.db, env.messages, QStringLiteral("高一01"));
    dialog.show();
    QCOMPARE(dialog.table()->rowCount(), 2);
    screenshot(&dialog, QStringLiteral("kept-records"));

    // Newest first: row 0 is 乙. Declining the question deletes nothing.
    dialog.table()->selectRow(0);
    env.messages.answerNext(ScriptedMessages::Answer::No);
    dialog.deleteClick();
    QCOMPARE(dialog.table()->rowCount(), 2);
    env.messages.answerNext(ScriptedMessages::Answer::Yes);
    dialog.deleteClick();
    QCOMPARE(dialog.table()->rowCount(), 1);
    QCOMPARE(dialog.table()->item(0, 3)->text(), QStringLiteral("甲"));

    dialog.table()->selectRow(0);
    dialog.bringBackClick();
    QCOMPARE(dialog.table()->rowCount(), 0);
    QCOMPARE(env.db->query(QStringLiteral("select 姓名 from 高一01 where id = 1")).text(0, 0), QStringLiteral("甲"));
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("1"));
}

QTEST_MAIN(TestEntryTakeOut)
#include "tst_entry_take_out.moc"
