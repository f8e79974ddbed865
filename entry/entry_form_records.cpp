// The entry form's work on records: checking the fields, saving, and edit
// mode (choosing a stored record and loading it back into the form). The
// handlers gather what the fields hold, call the record operations and show
// their outcome; every failure they do not handle ends the action in the
// application-wide error box and leaves the fields as they were.
#include "entry_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

#include "core/keeping/history.h"
#include "core/operations/completeness.h"
#include "core/record/class_count.h"
#include "core/keeping/pupil_search.h"
#include "entry/form_empty_field_pass.h"
#include "entry/pupil_finder.h"
#include "entry/history_dialog.h"
#include "entry/teacher_lock.h"
#include "core/record/entry_rules.h"
#include "core/record/record_rules.h"
#include "entry/record_form_values.h"
#include "core/record/record_item.h"
#include "core/record/record_loader.h"
#include "core/record/record_saver.h"
#include "platform/app_error.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "ui_entry_form.h"

void EntryForm::setClassSession(Database *db, const QString &classTable, const QString &grade,
                                const QString &classNo)
{
    m_db = db;
    m_classTable = classTable;
    m_grade = grade;
    m_classNo = classNo;
    if (m_db && !m_classTable.isEmpty())
        showClassCount();
}

void EntryForm::showClassCount()
{
    m_ui->lblCount->setText(ClassCount::text(ClassCount::count(database(), m_classTable),
                                             Completeness::incompleteCount(database(), m_classTable)));
}

void EntryForm::showChangesMadeElsewhere()
{
    if (!m_db || m_classTable.isEmpty())
        return;
    showClassCount();
    if (m_ui->chEdit->isChecked() && m_ui->cbStud->currentIndex() < 0)
        chEditClick();
}

Database &EntryForm::database() const
{
    if (!m_db || m_classTable.isEmpty())
        throw AppError(QStringLiteral("班级数据表尚未打开，无法读写学籍数据"));
    return *m_db;
}

bool EntryForm::ValidateEntry()
{
    m_ui->lblHint1->clear();
    m_ui->lblHint2->clear();
    Messages &messages = m_services.messages;

    const int empty = EmptyFieldPass::run(m_dataControls, m_ui->cbStud);
    if (empty > 0) {
        // The first empty fields by their captions, and the cursor in the first.
        constexpr int Named = 5;
        QStringList names;
        QWidget *first = nullptr;
        for (QWidget *control : std::as_const(m_dataControls)) {
            if (control == m_ui->cbStud || !EmptyFieldPass::isHighlighted(control))
                continue;
            if (!first)
                first = control;
            if (names.size() < Named)
                names << control->accessibleName();
        }
        messages.askBox(this, windowTitle(),
                        EntryRules::emptyFieldsMessage(empty) + QLatin1Char('\n')
                            + QStringLiteral("未完成的项目：%1%2").arg(names.join(QStringLiteral("、")),
                                                                  empty > Named ? QStringLiteral(" 等") : QString()),
                        Messages::Icon::Error, Messages::Buttons::Ok);
        if (first) {
            m_ui->ScrollBox1->ensureWidgetVisible(first);
            first->setFocus(Qt::OtherFocusReason);
        }
        return false;
    }

    const QStringList values = RecordFormValues::gather(*this, m_classTable, m_classNo);
    const QList<RecordRules::Failure> failures = RecordRules::failures(values, m_startupDate);
    if (failures.isEmpty())
        return true;
    const RecordRules::Failure *failure = &failures.first();
    QWidget *target = RecordFormValues::controlOf(*this, failure->column);
    if (!failure->question) {
        messages.showMessage(failure->message);
        target->setFocus(Qt::OtherFocusReason);
        return false;
    }
    // 籍贯 is only a warning: the user may save it as typed.
    target->setFocus(Qt::OtherFocusReason);
    return messages.askBox(this, windowTitle(), failure->message, Messages::Icon::Information,
                           Messages::Buttons::YesNo)
        != Messages::Answer::No;
}

qint64 EntryForm::chosenRecordId() const
{
    const QComboBox *list = m_ui->cbStud;
    if (!m_ui->chEdit->isChecked() || list->currentIndex() < 0 || list->currentText().isEmpty())
        return 0;
    // The id is kept beside the item, so ids of any length come back whole.
    bool ok = false;
    const qint64 id = list->currentData().toLongLong(&ok);
    return ok ? id : RecordItem::idText(list->currentText()).toLongLong();
}

bool EntryForm::SaveRecord()
{
    const QStringList values = RecordFormValues::gather(*this, m_classTable, m_classNo);
    RecordSaver saver(database(), m_classTable, m_services.programFile(QStringLiteral("debug.txt")),
                      m_grade + m_classNo);
    const auto confirmDuplicate = [this](const QString &message) {
        return m_services.messages.askBox(this, windowTitle(), message, Messages::Icon::Warning,
                                          Messages::Buttons::OkCancel)
            == Messages::Answer::Ok;
    };
    // The ID number compared as it is stored (half-width, X): typed full-width
    // or with a small x it is still the same pupil's.
    return saver.saveRecord(chosenRecordId(), values, m_ui->edtName->text(), values.at(RecordColumns::CardNo),
                            confirmDuplicate);
}

bool EntryForm::saveShownRecord()
{
    if (!ValidateEntry())
        return false;
    const QString typedName = m_ui->edtName->text();
    if (!SaveRecord()) {
        m_ui->lblHint1->clear();
        m_ui->lblHint2->clear();
        m_services.messages.showMessage(RecordSaver::saveFailedMessage());
        return false;
    }
    m_ui->lblHint1->setText(RecordSaver::savedHint(typedName));
    m_ui->lblHint2->setText(RecordSaver::savedHint(typedName));
    return true;
}

void EntryForm::Button1Click()
{
    runGuarded(m_services.messages, [this] {
        if (!saveShownRecord())
            return;
        ResetEntryForm();
        QApplication::beep();
        // The next pupil starts at the top: the first group's caption in full
        // view and the cursor in 1.姓名.
        FormShow();
        // The record just saved is no longer the one being edited: the next
        // save is a new record unless another one is picked.
        if (m_ui->chEdit->isChecked())
            m_ui->cbStud->setCurrentIndex(-1);
        showClassCount();
    });
}

void EntryForm::markShownAsUnchanged()
{
    m_shownValues = RecordFormValues::gather(*this, m_classTable, m_classNo);
}

bool EntryForm::settleUnsavedChanges()
{
    if (RecordFormValues::gather(*this, m_classTable, m_classNo) == m_shownValues)
        return true;
    switch (m_services.messages.askBox(this, windowTitle(), QStringLiteral("有未保存的修改，是否保存？"),
                                       Messages::Icon::Question, Messages::Buttons::SaveDiscardCancel)) {
    case Messages::Answer::Discard:
        return true;
    case Messages::Answer::Save:
        break;
    default:
        return false;
    }
    // Saved as the save button saves; a refused or failed save keeps the record.
    if (!saveShownRecord())
        return false;
    showClassCount();
    return true;
}

void EntryForm::chEditClick()
{
    QComboBox *list = m_ui->cbStud;
    // Edit mode lists the whole class: the teacher's password first.
    if (m_ui->chEdit->isChecked() && !teacherLock().isOpen() && !unlockForEditMode())
        return;
    runGuarded(m_services.messages, [&] {
        if (!m_ui->chEdit->isChecked()) {
            // The record shown is still the one edited while the question is asked.
            const QSignalBlocker blocker(m_ui->chEdit);
            m_ui->chEdit->setChecked(true);
            if (!settleUnsavedChanges())
                return;
            m_ui->chEdit->setChecked(false);
        }
        if (m_ui->chEdit->isChecked()) {
            list->setEnabled(true);
            list->clear();
            // 只列待补全: the pupils whose record still lacks a required field.
            const bool incompleteOnly = m_ui->chIncompleteOnly->isChecked();
            const QSet<qint64> incomplete =
                incompleteOnly ? Completeness::incompleteIds(database(), m_classTable) : QSet<qint64>();
            QList<PupilSearch::Pupil> listed;
            for (const PupilSearch::Pupil &pupil : PupilSearch::pupilsOf(database(), {m_classTable})) {
                if (incompleteOnly && !incomplete.contains(pupil.id))
                    continue;
                list->addItem(RecordItem::format(pupil.id, pupil.name), pupil.id);
                listed << pupil;
            }
            list->setCurrentIndex(-1);
            m_finder->setPupils(listed);
            m_find->setEnabled(true);
        } else {
            leaveEditMode();
        }
        m_ui->edtName->setFocus(Qt::OtherFocusReason);
    });
}

void EntryForm::cbStudChange()
{
    runGuarded(m_services.messages, [this] {
        QComboBox *list = m_ui->cbStud;
        const int picked = list->currentIndex();
        if (picked != m_shownRecordIndex) {
            // The record shown is still the one edited while the question is asked.
            const QSignalBlocker blocker(list);
            list->setCurrentIndex(m_shownRecordIndex);
            if (!settleUnsavedChanges())
                return;
            list->setCurrentIndex(picked);
        }
        const qint64 id = chosenRecordId();
        const QString idText = id > 0 ? QString::number(id) : RecordItem::idText(list->currentText());
        ResetEntryForm();
        if (!idText.isEmpty() && EntryRules::IsAllDigits(idText)) {
            LoadRecord(idText);
            m_shownRecordIndex = list->currentIndex();
            markShownAsUnchanged();
        }
        m_ui->edtName->setFocus(Qt::OtherFocusReason);
    });
    // The list was set back or moved on with its signals held: the history follows the pupil chosen.
    m_ui->btnHistory->setEnabled(m_ui->cbStud->currentIndex() >= 0);
}

void EntryForm::pickFoundPupil(qint64 id)
{
    QComboBox *list = m_ui->cbStud;
    const int index = list->findData(id);
    if (index < 0)
        return;
    // As if picked from the list: the unsaved-changes question, then the record.
    {
        const QSignalBlocker blocker(list);
        list->setCurrentIndex(index);
    }
    cbStudChange();
}

void EntryForm::LoadRecord(const QString &idText)
{
    const auto stored = RecordLoader(database(), m_classTable).loadRecord(idText);
    if (!stored) {
        m_services.messages.showMessage(RecordLoader::notFoundMessage(idText));
        return;
    }
    const QStringList unshown = RecordFormValues::show(*this, *stored);
    if (!unshown.isEmpty())
        m_services.messages.showMessage(RecordFormValues::unshownMessage(unshown));
}

void EntryForm::historyClick()
{
    runGuarded(m_services.messages, [this] {
        const qint64 id = chosenRecordId();
        if (id == 0)
            return;
        HistoryFilter filter;
        filter.classTable = m_classTable;
        filter.pupilId = id;
        const QList<HistoryLine> lines = History::read(database(), filter);
        HistoryDialog dialog(this, QStringLiteral("修改记录：%1 %2").arg(m_classTable, m_ui->cbStud->currentText()),
                             lines);
        dialog.exec();
    });
}
