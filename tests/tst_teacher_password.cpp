// The teacher's password in the real entry form: set on the first press of
// the teacher button, asked on the next, five wrong tries and then a wait the
// right one cannot shorten, and the lock after a while without input hiding
// the pupil list once an unsaved record was asked about.
// Runs on an X display.
#include <functional>

#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/keeping/teacher_password.h"
#include "core/record/record_columns.h"
#include "entry/entry_form.h"
#include "entry/password_dialog.h"
#include "entry/teacher_lock.h"
#include "entry_form_driver.h"
#include "ui_entry_form.h"

namespace {

const QString kPassword = QStringLiteral("教师ABC123");

// Answers the modal windows as they come, one step each, in order: a step is
// given the window that is modal now and says whether it handled it.
class ModalScript : public QObject
{
public:
    using Step = std::function<bool(QWidget *)>;
    explicit ModalScript(QList<Step> steps) : m_steps(std::move(steps))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && !m_steps.isEmpty() && modal->isVisible() && m_steps.front()(modal))
                m_steps.removeFirst();
        });
        m_timer.start();
    }
    bool done() const { return m_steps.isEmpty(); }

private:
    QList<Step> m_steps;
    QTimer m_timer;
};

// Types into the password dialog's fields and presses Enter; notes keeps the
// note shown when the dialog came (a wrong password, a wait).
ModalScript::Step typePassword(const QString &password, QStringList *notes = nullptr, bool twice = false)
{
    return [=](QWidget *modal) {
        auto *dialog = qobject_cast<PasswordDialog *>(modal);
        if (!dialog)
            return false;
        if (notes) {
            const auto *note = dialog->findChild<QLabel *>(QStringLiteral("passwordNote"));
            *notes << (note->isVisible() ? note->text() : QString());
        }
        auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("password"));
        field->clear();
        EntryFormDriver::type(field, password);
        if (twice)
            EntryFormDriver::type(dialog->findChild<QLineEdit *>(QStringLiteral("passwordAgain")), password);
        QTest::keyClick(field, Qt::Key_Return);
        return true;
    };
}

// With TAVRO_SCREENSHOTS naming a folder (run under Xvfb with
// fonts-noto-cjk), the windows are saved there to be looked at.
void screenshot(QWidget *window, const QString &name)
{
    const QString folder = qEnvironmentVariable("TAVRO_SCREENSHOTS");
    if (!folder.isEmpty())
        window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

// The step, after a picture of the window as it came.
ModalScript::Step shot(const QString &name, ModalScript::Step step)
{
    return [=](QWidget *modal) {
        if (!qobject_cast<PasswordDialog *>(modal))
            return false;
        screenshot(modal, name);
        return step(modal);
    };
}

ModalScript::Step cancelPassword()
{
    return [](QWidget *modal) {
        auto *dialog = qobject_cast<PasswordDialog *>(modal);
        if (dialog)
            dialog->reject();
        return dialog != nullptr;
    };
}

// Closes the management window, after noting that it came.
ModalScript::Step closeManagement(int *shown)
{
    return [=](QWidget *modal) {
        if (modal->objectName() != QLatin1String("managementUnderTest"))
            return false;
        ++*shown;
        static_cast<QDialog *>(modal)->reject();
        return true;
    };
}

void useManagementWindow(EntryFormDriver &d)
{
    d.form().setManagementWindowFactory([](QWidget *parent) {
        auto *dialog = new QDialog(parent);
        dialog->setObjectName(QStringLiteral("managementUnderTest"));
        return dialog;
    });
}

} // namespace

class TestTeacherPassword : public QObject
{
    Q_OBJECT

private slots:
    void setOnFirstPressAskedOnTheNext();
    void fiveWrongTriesWaitEvenForTheRightOne();
    void idleLockAsksThenHidesTheList();
    void idleLockCancelledKeepsTheRecordButLocks();
};

void TestTeacherPassword::setOnFirstPressAskedOnTheNext()
{
    TestEnv env;
    EntryFormDriver d(env);
    useManagementWindow(d);
    Ui::TForm1 *ui = d.ui();
    int shown = 0;
    {
        ModalScript script({shot(QStringLiteral("teacher-password-new"), typePassword(kPassword, nullptr, true)),
                            closeManagement(&shown)});
        QTest::mouseClick(ui->SpeedButton1, Qt::LeftButton);
        QVERIFY(script.done());
    }
    QCOMPARE(shown, 1);
    QVERIFY(TeacherPassword::verify(d.db(), kPassword));
    // The window closed without edit mode: locked, only 编辑 shows.
    QVERIFY(!d.form().teacherLock().isOpen());
    QVERIFY(ui->chEdit->isVisible());
    QVERIFY(!ui->cbStud->isVisible());

    // 编辑 asks; cancelled, edit mode stays off and the list hidden.
    {
        ModalScript script({cancelPassword()});
        QTest::mouseClick(ui->chEdit, Qt::LeftButton);
        QVERIFY(script.done());
    }
    QVERIFY(!ui->chEdit->isChecked());
    QVERIFY(!ui->cbStud->isVisible());

    // The next press asks for the password set, and the window opens again.
    QStringList notes;
    {
        ModalScript script({typePassword(QStringLiteral("wrong-one"), &notes),
                            shot(QStringLiteral("teacher-password-wrong"), typePassword(kPassword, &notes)),
                            closeManagement(&shown)});
        QTest::mouseClick(ui->SpeedButton1, Qt::LeftButton);
        QVERIFY(script.done());
    }
    QCOMPARE(shown, 2);
    QCOMPARE(notes, (QStringList{QString(), QStringLiteral("密码不对，请重新输入。")}));
}

void TestTeacherPassword::fiveWrongTriesWaitEvenForTheRightOne()
{
    TestEnv env;
    EntryFormDriver d(env);
    useManagementWindow(d);
    QVERIFY(TeacherPassword::setFirst(d.db(), kPassword));
    Ui::TForm1 *ui = d.ui();
    int shown = 0;
    QStringList notes;
    {
        QList<ModalScript::Step> steps;
        for (int i = 0; i < 5; ++i)
            steps << typePassword(QStringLiteral("wrong-%1").arg(i), &notes);
        steps << typePassword(kPassword, &notes) << cancelPassword();
        ModalScript script(steps);
        QTest::mouseClick(ui->SpeedButton1, Qt::LeftButton);
        QVERIFY(script.done());
    }
    QCOMPARE(shown, 0);
    QCOMPARE(notes.size(), 6);
    QCOMPARE(notes.at(4), QStringLiteral("密码不对，请重新输入。"));
    // The right one during the wait is not taken.
    QCOMPARE(notes.at(5), QStringLiteral("密码连续输错 5 次，请 30 秒后再试。"));
    QVERIFY(!d.form().teacherLock().isOpen());

    // Still waiting on the next press; once the clock is past the wait, the right one opens.
    env.clock.set(env.clock.now().addSecs(20));
    notes.clear();
    {
        ModalScript script({typePassword(kPassword, &notes), cancelPassword()});
        QTest::mouseClick(ui->SpeedButton1, Qt::LeftButton);
        QVERIFY(script.done());
    }
    QCOMPARE(notes.first(), QStringLiteral("密码连续输错 5 次，请 10 秒后再试。"));
    QCOMPARE(shown, 0);
    env.clock.set(env.clock.now().addSecs(11));
    {
        ModalScript script({typePassword(kPassword), closeManagement(&shown)});
        QTest::mouseClick(ui->SpeedButton1, Qt::LeftButton);
        QVERIFY(script.done());
    }
    QCOMPARE(shown, 1);
}

void TestTeacherPassword::idleLockAsksThenHidesTheList()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent(QStringLiteral("李 娜"));
    d.clickSave();
    Ui::TForm1 *ui = d.ui();
    d.form().teacherLock().setIdleInterval(2000);
    d.enterEditMode();
    QVERIFY(ui->cbStud->isVisible());
    d.pickRecord(1);
    QCOMPARE(ui->edtName->text(), QStringLiteral("李娜"));
    EntryFormDriver::type(ui->edtAddr, QStringLiteral("改"));

    // Input keeps it open; then nothing for the interval: the question, then the lock.
    env.messages.answerNext(Messages::Answer::Discard);
    QTest::qWait(1200);
    QTest::mouseMove(ui->edtName);
    QTest::keyClick(ui->edtName, Qt::Key_End);
    QTest::qWait(1200);
    QVERIFY(d.form().teacherLock().isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!d.form().teacherLock().isOpen(), 8000);
    QCOMPARE(env.messages.lastText(), QStringLiteral("有未保存的修改，是否保存？"));
    QVERIFY(!ui->chEdit->isChecked());
    QVERIFY(!ui->cbStud->isVisible());
    QVERIFY(!ui->cbStud->isEnabled());
    QCOMPARE(ui->cbStud->count(), 0);
    QCOMPARE(ui->edtName->text(), QString());
    QCOMPARE(d.storedRow(1).at(RecordColumns::Name), QStringLiteral("李娜")); // discarded, not saved
    screenshot(&d.form(), QStringLiteral("entry-locked"));
}

void TestTeacherPassword::idleLockCancelledKeepsTheRecordButLocks()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent(QStringLiteral("李 娜"));
    d.clickSave();
    Ui::TForm1 *ui = d.ui();
    d.form().teacherLock().setIdleInterval(500);
    d.enterEditMode();
    d.pickRecord(1);
    EntryFormDriver::type(ui->edtAddr, QStringLiteral("改"));
    env.messages.answerNext(Messages::Answer::Cancel);
    QTRY_VERIFY_WITH_TIMEOUT(!d.form().teacherLock().isOpen(), 8000);
    // The unsaved typing stays on the form; the list and the find line do not.
    QCOMPARE(ui->edtName->text(), QStringLiteral("李娜"));
    QVERIFY(ui->edtAddr->text().endsWith(QStringLiteral("改")));
    QVERIFY(!ui->cbStud->isVisible());
    QVERIFY(!d.form().findChild<QLineEdit *>(QStringLiteral("edtFind"))->isVisible());
}

QTEST_MAIN(TestTeacherPassword)
#include "tst_teacher_password.moc"
