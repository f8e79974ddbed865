// The entry form's 移出: the pupil being edited leaves the class with a reason
// and is kept, so it can be brought back from the management window.
#include "entry_form.h"

#include <QComboBox>
#include <QLabel>

#include "core/keeping/kept_records.h"
#include "entry/remove_reason_dialog.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "ui_entry_form.h"

void EntryForm::removeShownClick()
{
    runGuarded(m_services.messages, [this] {
        const qint64 id = chosenRecordId();
        if (id == 0) {
            m_services.messages.showMessage(QStringLiteral("请先勾选“编辑”，在列表中选择要移出的学生。"));
            return;
        }
        const QString who = m_ui->cbStud->currentText();
        const QString reason = RemoveReasonDialog::ask(this, who);
        if (reason.isEmpty())
            return;
        const bool done = KeptRecords::takeOutNow(database(), m_classTable, {id}, reason) > 0;
        // The record shown is gone: the form empties and the list is read again.
        m_shownRecordIndex = -1;
        ResetEntryForm();
        markShownAsUnchanged();
        chEditClick();
        showClassCount();
        if (!done) {
            m_services.messages.showMessage(
                QStringLiteral("%1 已不在本班（可能已被别处移出或转班），没有移出。").arg(who));
            return;
        }
        const QString hint = QStringLiteral("已移出：%1（%2）").arg(who.simplified(), reason);
        m_ui->lblHint1->setText(hint);
        m_ui->lblHint2->setText(hint);
    });
}
