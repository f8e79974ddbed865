// The entry form's teacher functions behind the teacher's password: the
// teacher button, edit mode, and locking them again after the management
// window, when edit mode is left, and after a while without input. A pupil at
// the locked form sees only the record they type: no list, no other pupil's
// record, no management window (exports, prints, checks).
#include "entry_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "entry/pupil_finder.h"
#include "entry/teacher_lock.h"
#include "platform/guard.h"
#include "platform/services.h"
#include "ui_entry_form.h"

namespace {

// Whether the form is among the dialog's parents (across windows).
bool ownedBy(const QWidget *dialog, const QWidget *form)
{
    for (const QWidget *w = dialog->parentWidget(); w; w = w->parentWidget())
        if (w == form)
            return true;
    return false;
}

} // namespace

void EntryForm::SpeedButton1Click()
{
    runGuarded(m_services.messages, [this] {
        if (!m_lock->unlock())
            return;
        showTeacherControls(true);
        m_editRow->setVisible(true);
        if (!m_managementWindow && m_managementFactory)
            m_managementWindow = m_managementFactory(this);
        if (!m_managementWindow)
            return;
        m_managementWindow->exec();
        showChangesMadeElsewhere();
        // A pupil of this class found there opens here for editing.
        const QVariant pupil = m_managementWindow->property("pupilToOpen");
        m_managementWindow->setProperty("pupilToOpen", QVariant());
        if (pupil.isValid() && m_lock->isOpen())
            openForEditing(pupil.toLongLong());
        // The teacher goes on in edit mode, or is done.
        if (!m_ui->chEdit->isChecked())
            lockTeacherFunctions();
    });
}

void EntryForm::showTeacherControls(bool open)
{
    for (QWidget *control : std::initializer_list<QWidget *>{m_ui->chIncompleteOnly, m_ui->cbStud, m_find,
                                                             m_ui->btnRemove, m_ui->btnHistory})
        control->setVisible(open);
}

bool EntryForm::unlockForEditMode()
{
    // 编辑 stays unticked while the password is asked.
    {
        const QSignalBlocker blocker(m_ui->chEdit);
        m_ui->chEdit->setChecked(false);
    }
    bool open = false;
    runGuarded(m_services.messages, [&] { open = m_lock->unlock(); });
    if (!open)
        return false;
    showTeacherControls(true);
    const QSignalBlocker blocker(m_ui->chEdit);
    m_ui->chEdit->setChecked(true);
    return true;
}

void EntryForm::leaveEditMode()
{
    m_ui->cbStud->setEnabled(false);
    m_finder->setPupils({});
    m_find->setEnabled(false);
    m_ui->cbStud->clear();
    m_ui->cbStud->setCurrentIndex(-1);
    ResetEntryForm();
    lockTeacherFunctions();
}

void EntryForm::lockTeacherFunctions()
{
    m_lock->lock();
    showTeacherControls(false);
}

void EntryForm::lockAfterIdle()
{
    // The unsaved-changes question may itself wait past another interval.
    if (m_lockingAfterIdle)
        return;
    m_lockingAfterIdle = true;
    runGuarded(m_services.messages, [this] {
        // The management window and whatever it opened close first: they show
        // every pupil. A dialog closed this way is cancelled.
        for (int guard = 0; guard < 16; ++guard) {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || !ownedBy(dialog, this))
                break;
            dialog->reject();
        }
        if (m_managementWindow && m_managementWindow->isVisible())
            m_managementWindow->reject();
        // A record not saved is emptied only after asking. 取消 keeps it on the
        // form, but locks all the same: whoever answered may be a pupil, and
        // nothing beyond the record shown may stay in reach.
        if (!settleUnsavedChanges()) {
            lockTeacherFunctions();
            return;
        }
        {
            const QSignalBlocker blocker(m_ui->chEdit);
            m_ui->chEdit->setChecked(false);
        }
        leaveEditMode();
        // The hint of the last save names a pupil.
        m_ui->lblHint1->clear();
        m_ui->lblHint2->clear();
        FormShow();
    });
    m_lockingAfterIdle = false;
}
