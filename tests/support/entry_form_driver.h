#pragma once

#include <QSignalSpy>
#include <QString>

#include "app/application_shell.h"
#include "test_env.h"

class EntryForm;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QWidget;
namespace Ui {
class TForm1;
}

// The real program road for entry-form tests: the application shell on the
// test's database (the local file, or the server through config.ini) and folder, the class chosen and confirmed in the grade and
// class dialog, the entry form shown and set up by the class setup. Input
// goes in the way a user gives it: key by key and by clicking list items.
class EntryFormDriver
{
public:
    // gradeIndex/classIndex as listed in the dialog (0, 0 is 高一 01).
    explicit EntryFormDriver(TestEnv &env, int gradeIndex = 0, int classIndex = 0);

    EntryForm &form() { return m_shell.form(); }
    Ui::TForm1 *ui();
    Database &db() { return *m_shell.setup().database(); }
    // The start-up date the class setup took: the test's clock on the local
    // file, the server's clock on a server.
    QDateTime startupDate() { return m_shell.setup().startupDate(); }

    // Types the text at the end of the box, one key per character.
    static void type(QWidget *target, const QString &text);
    // Empties the box by keyboard and types the text.
    static void retype(QLineEdit *box, const QString &text);
    // Opens the list and clicks the first item with that text; fails the test when none has it.
    static void choose(QComboBox *list, const QString &itemText);
    // Types the date into the picker, section by section.
    static void typeDate(QDateEdit *picker, const QDate &date);
    // Chooses province, city and county in region picker 1 to 4.
    void chooseRegion(int picker, const QString &province, const QString &city, const QString &county);

    // Fills every field with one pupil who passes every check (see the .cpp
    // for the values; expectedValues() gives what is stored for them).
    void fillStudent(const QString &name = QStringLiteral("张 三"),
                     const QString &cardNo = QStringLiteral("440606200003151242"));
    // The 47 stored values of fillStudent's pupil in 高一01 with entry year 2015.
    static QStringList expectedValues(const QString &storedName = QStringLiteral("张三"),
                                      const QString &cardNo = QStringLiteral("440606200003151242"));

    // Presses the foot 保存 button with the mouse.
    void clickSave();
    // Makes the edit-mode controls visible (as the teacher button does) and ticks chEdit.
    void enterEditMode();
    // 换班级 and another class chosen in the class dialog, by keyboard.
    void changeClass(int gradeIndex, int classIndex);
    // Picks the record item with that id in cbStud.
    void pickRecord(qint64 id);

    // What every data control shows ("edtName=张 三", "cbSex=1:2-女", "dtBirth=2000-03-15"),
    // to compare the whole form before and after an action.
    QStringList fieldSnapshot();
    // The 47 data columns of the record with that id, empty when there is none.
    QStringList storedRow(qint64 id);
    // The bytes of debug.txt in the program folder ("<missing>" when there is none).
    QByteArray debugFile() const;

private:
    TestEnv &m_env;
    ApplicationShell m_shell;
};
