#include "operation_progress_dialog.h"

#include <algorithm>

#include <QCoreApplication>

OperationProgress::OperationProgress(QWidget *owner, const QString &label, int showAfterMs)
    : m_dialog(label, QStringLiteral("取消"), 0, 1, owner)
{
    m_dialog.setWindowTitle(owner ? owner->windowTitle() : QString());
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(showAfterMs);
    // Reaching the total closes the dialog (and stops its timer), so that it
    // never stands over the closing message; 取消 closes it at once.
    m_dialog.setAutoReset(true);
    m_dialog.setAutoClose(true);
    m_dialog.setValue(0);
}

Progress OperationProgress::callback()
{
    return [this](int done, int total) {
        if (m_dialog.maximum() != total)
            m_dialog.setMaximum(std::max(total, 1));
        m_dialog.setLabelText(m_dialog.labelText().section(QLatin1Char('\n'), 0, 0)
                              + QStringLiteral("\n%1 / %2").arg(done).arg(total));
        m_dialog.setValue(done);
        // A window-modal dialog takes its events in setValue only once shown:
        // let a press of 取消 in before the next unit starts.
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    };
}
