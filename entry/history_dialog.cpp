#include "history_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/keeping/history.h"
#include "core/keeping/history_workbook.h"

HistoryDialog::HistoryDialog(QWidget *parent, const QString &title, const QList<HistoryLine> &lines)
    : QDialog(parent), m_table(new QTableWidget(this))
{
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    auto *count = new QLabel(lines.isEmpty() ? QStringLiteral("还没有修改记录。")
                                             : QStringLiteral("共 %1 条修改记录。").arg(lines.size()),
                             this);
    layout->addWidget(count);
    layout->addWidget(m_table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    fill(m_table, lines);
    resize(900, 420);
}

void HistoryDialog::fill(QTableWidget *table, const QList<HistoryLine> &lines)
{
    const QStringList &headings = HistoryWorkbook::headings();
    table->clear();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setColumnCount(int(headings.size()));
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->hide();
    table->setRowCount(int(lines.size()));
    for (int r = 0; r < lines.size(); ++r) {
        const QStringList cells = HistoryWorkbook::cells(History::onScreen(lines.at(r)));
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    table->resizeColumnsToContents();
}
