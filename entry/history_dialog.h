#pragma once

#include <QDialog>
#include <QList>

#include "core/keeping/history.h"

class QTableWidget;

// A read-only table of history lines (time, who, kind, class, pupil, field,
// old and new value, detail). The lines are read by the caller; the dialog
// shows them only. Used from the user-interface thread only.
class HistoryDialog final : public QDialog
{
    Q_OBJECT

public:
    HistoryDialog(QWidget *parent, const QString &title, const QList<HistoryLine> &lines);

    // Fills a table with the lines, one row each, under HistoryWorkbook's headings.
    static void fill(QTableWidget *table, const QList<HistoryLine> &lines);

    QTableWidget *table() const { return m_table; }

private:
    QTableWidget *m_table;
};
