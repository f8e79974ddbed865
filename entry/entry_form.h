#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QWidget>

#include "core/keeping/school_settings.h"

class Database;
class QComboBox;
class QKeyEvent;
class PupilFinder;
class TeacherLock;
class QFrame;
class QLineEdit;
class RegionPicker;
class RegionTables;
struct Services;

namespace Ui {
class TForm1;
}

// The entry form TForm1: the whole student record as one long scrolling form,
// with the two save buttons, the teacher button that opens the management
// window, and the edit-mode controls in the top panel. The class setup fills
// it (grade, class, entry year, region pickers) and hands it the class
// session; the save and edit-mode handlers (entry_form_records.cpp) check the
// fields, call the record operations and show their outcome.
// Used on the user-interface thread only.
class EntryForm final : public QWidget
{
    Q_OBJECT

public:
    explicit EntryForm(Services &services, QWidget *parent = nullptr);
    ~EntryForm() override;

    Ui::TForm1 *ui() const { return m_ui.get(); }
    Services &services() const { return m_services; }

    // The data controls in the order of the form (creation order), cbStud
    // first; the form reset and the empty-field check walk this list.
    const QList<QWidget *> &dataControls() const { return m_dataControls; }
    // Controls with the keep mark are left alone by the clearing pass of ResetEntryForm.
    static bool hasKeepMark(const QWidget *control);

    // Creates the four region pickers on the tables (which must outlive the
    // form). Null removes them.
    void setRegionTables(const RegionTables *tables);
    // Picker 1 (birthplace), 2 (household), 3 and 4 (family members); null
    // before setRegionTables.
    RegionPicker *regionPicker(int number) const;
    const RegionTables *regionTables() const { return m_regionTables; }

    void setStartupDate(const QDateTime &startupDate);
    QDateTime startupDate() const { return m_startupDate; }

    // Grade label and class number into edtGrade and edtClass; clears both hints.
    void showClass(const QString &grade, const QString &classNo);
    // The oldest entry year cbYear offers.
    static constexpr int OldestEntryYear = 1999;
    // cbYear offers newestYear down to OldestEntryYear, nothing selected.
    void setEntryYears(int newestYear);
    // Selects the item of that year in cbYear (or none) when year > 0.
    void preselectEntryYear(int year);
    void fillProvincePickers();
    // The school's default province and city (广东省 / 佛山市 until it sets
    // its own) in the pickers 1 to 4, in that order.
    void selectDefaultRegions();

    // Returns the form to its empty state: birth date = start-up date, every
    // unmarked list and editable box emptied, the entry month "09" and the
    // two aid lists "0-否" again, default region in every picker.
    void ResetEntryForm();

    // After a choice in a list the focus moves to the invisible Button3, so no
    // list keeps the focus (and a wheel turn cannot change it).
    void cbSexChange();
    // One line step down for a negative wheel delta, one up otherwise.
    void ScrollBox1MouseWheel(int wheelDelta);

    // The database and the current class table that saving and edit mode
    // work on, and the grade and class chosen at start-up (班号, the
    // duplicate message). The database must outlive the form.
    void setClassSession(Database *db, const QString &classTable, const QString &grade, const QString &classNo);
    QString classTable() const { return m_classTable; }

    // Checks the fields before a save: highlights and counts the empty ones,
    // then the content rules. Shows at most one message; true when the record
    // may be saved.
    bool ValidateEntry();
    // Writes the form as a new record (after the duplicate test) or, with a
    // record chosen in edit mode, as an update of it. True when a row was
    // written. Database and file failures throw.
    bool SaveRecord();
    // Edit mode on (student list filled) or off (list emptied, form reset).
    void chEditClick();
    // A record was picked in cbStud: the form is reset and the record loaded.
    void cbStudChange();
    // A pupil found on the find line, chosen as from the list.
    void pickFoundPupil(qint64 id);
    // Edit mode on (the whole list) and the pupil with that id picked.
    void openForEditing(qint64 id);
    // Fills the form from the stored record with that id; a missing one is
    // reported by message. A stored value that cannot be shown throws, the
    // fields before it keep what they got.
    void LoadRecord(const QString &idText);
    // 移出: asks the reason, takes the pupil being edited out of the class
    // (kept, can be brought back) and lists the class again.
    void removeShownClick();
    // The id of the record chosen in edit mode, 0 when none is.
    qint64 chosenRecordId() const;

    // What SpeedButton1 opens; the window is made on the first press and kept.
    void setManagementWindowFactory(std::function<QDialog *(QWidget *parent)> factory);
    QDialog *managementWindow() const { return m_managementWindow; }

    // The lock on edit mode and the management window (the teacher's password).
    TeacherLock &teacherLock() const { return *m_lock; }

    // What showing the form does: the scroll area back to the top, the focus
    // in edtName (when it can take it).
    void FormShow();

public slots:
    // The save action of both "保存" buttons.
    void Button1Click();
    void SpeedButton1Click();
    // 换班级: once the record shown is settled, asks for another class.
    void changeClassClick();
    // 修改记录: the history of the pupil chosen in edit mode, read-only.
    void historyClick();

signals:
    // The user wants another class: the shell shows the class dialog again.
    void classChangeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void selectFixedItems();
    // What the form shows now counts as unchanged (after a reset or a load).
    void markShownAsUnchanged();
    // Before the shown record is left: when it has changes, asks
    // "有未保存的修改，是否保存？"; true to go on (saved or not wanted), false
    // to stay with the record as it is.
    bool settleUnsavedChanges();
    // Checks and saves the record shown, with the hint or the failure message; true when saved.
    bool saveShownRecord();
    void connectFocusAway();
    void keepFocusInView(QWidget *old, QWidget *now);
    void installWheelFilter();
    void alignLabelColumns();
    Database &database() const;
    // "本班已录入 N 人" in the top panel, counted afresh in the class table.
    void showClassCount();
    // After the management window (an import, a merge): the count again, and
    // in edit mode the student list again unless a student is being edited.
    void showChangesMadeElsewhere();
    // The helps of entry_form_assist.cpp: list views and scroll step, Enter
    // and arrow keys, a click into the date, a typed ID number.
    void setUpAssists();
    // The teacher's lock (entry_form_lock.cpp): the edit-mode controls shown
    // beside 编辑 only while it is open; edit mode left and the lock closed;
    // after the idle interval, the shown record settled first.
    void showTeacherControls(bool open);
    bool unlockForEditMode();
    void leaveEditMode();
    void lockTeacherFunctions();
    void lockAfterIdle();
    bool assistEvent(QObject *watched, QEvent *event);
    bool assistKey(QWidget *watched, const QKeyEvent *key);
    bool stepClosedList(QObject *watched, QEvent *event);
    void edtCardNoEdited(const QString &text);
    bool takeTypedDate(const QKeyEvent *key);

    Services &m_services;
    std::unique_ptr<Ui::TForm1> m_ui;
    QList<QWidget *> m_dataControls;
    std::array<RegionPicker *, 4> m_pickers{};
    const RegionTables *m_regionTables = nullptr;
    QDateTime m_startupDate;
    RegionNames m_schoolRegion = SchoolSettings::builtInRegion();
    Database *m_db = nullptr;
    QString m_classTable;
    QString m_grade;
    QString m_classNo;
    std::function<QDialog *(QWidget *parent)> m_managementFactory;
    QPointer<QDialog> m_managementWindow;
    QFrame *m_editRow = nullptr;
    QLineEdit *m_find = nullptr;
    PupilFinder *m_finder = nullptr;
    TeacherLock *m_lock = nullptr;
    bool m_lockingAfterIdle = false;
    QMetaObject::Connection m_focusWatch;
    QString m_typedDate; // keys typed into dtBirth since it was entered or clicked
    bool m_steppingList = false; // a closed list is taking a key: its choice keeps the focus
    QStringList m_shownValues;   // the record's values as last reset or loaded
    int m_shownRecordIndex = -1; // the cbStud item of the record loaded, -1 for a new one
};
