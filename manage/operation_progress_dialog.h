#pragma once

#include <QProgressDialog>

#include "platform/busy_cursor.h"
#include "platform/progress.h"

class QWidget;

// What the teacher sees while a long operation of the management window runs:
// the busy cursor at once, and a progress dialog with 取消 over the window,
// shown at once or only when the work turns out to take longer than
// `showAfterMs`. Lives for the duration of the operation; the operation gets
// its Progress callback. Used from the user-interface thread.
class OperationProgress
{
public:
    OperationProgress(QWidget *owner, const QString &label, int showAfterMs);
    OperationProgress(const OperationProgress &) = delete;
    OperationProgress &operator=(const OperationProgress &) = delete;

    // Moves the dialog on and lets it take the press of 取消; false once pressed.
    Progress callback();

private:
    BusyCursor m_cursor{Qt::BusyCursor};
    QProgressDialog m_dialog;
};
