#include "find_pupil_tab.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/record/id_number_mask.h"
#include "platform/database.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/table_name.h"

namespace {

QTableWidget *readOnlyTable(int columns, QWidget *parent)
{
    auto *table = new QTableWidget(0, columns, parent);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

FindPupilTab::FindPupilTab(Database &db, Services &services, QWidget *parent)
    : QWidget(parent), m_db(db), m_services(services), m_line(new QLineEdit(this)),
      m_find(new QPushButton(QStringLiteral("查找"), this)), m_results(readOnlyTable(4, this)),
      m_open(new QPushButton(QStringLiteral("打开"), this))
{
    m_line->setObjectName(QStringLiteral("edtFindPupil"));
    m_line->setPlaceholderText(QStringLiteral("姓名、姓名的一部分或身份证号（至少 6 位）"));
    m_line->setAccessibleName(QStringLiteral("查找学生"));
    m_find->setObjectName(QStringLiteral("btnFindPupil"));
    m_find->setAccessibleName(m_find->text());
    m_open->setObjectName(QStringLiteral("btnOpenPupil"));
    m_open->setAccessibleName(QStringLiteral("打开找到的学生"));
    m_results->setObjectName(QStringLiteral("tblFoundPupils"));
    m_results->setAccessibleName(QStringLiteral("找到的学生"));
    m_results->setHorizontalHeaderLabels(
        {QStringLiteral("班级"), QStringLiteral("编号"), QStringLiteral("姓名"), QStringLiteral("身份证件号")});

    auto *row = new QHBoxLayout;
    row->addWidget(m_line, 1);
    row->addWidget(m_find);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("在所有班级表中查找；本班的学生在录入窗口中打开修改，其它班的只显示。"), this), 1);
    buttons->addWidget(m_open);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_results, 1);
    layout->addLayout(buttons);

    connect(m_find, &QPushButton::clicked, this, &FindPupilTab::search);
    connect(m_line, &QLineEdit::returnPressed, this, &FindPupilTab::search);
    connect(m_open, &QPushButton::clicked, this, &FindPupilTab::openChosen);
    // Enter or a double click on a result opens it.
    connect(m_results, &QAbstractItemView::activated, this, &FindPupilTab::openChosen);
}

void FindPupilTab::search()
{
    runGuarded(m_services.messages, [&] {
        m_found = PupilSearch::find(m_db, PupilSearch::classTables(m_db), m_line->text());
        m_results->setRowCount(0);
        for (const PupilSearch::Pupil &pupil : std::as_const(m_found)) {
            const int row = m_results->rowCount();
            m_results->insertRow(row);
            const QStringList cells{pupil.table, QString::number(pupil.id), pupil.name,
                                    IdNumberMask::masked(pupil.idNumber)};
            for (int column = 0; column < cells.size(); ++column)
                m_results->setItem(row, column, new QTableWidgetItem(cells.at(column)));
        }
        m_results->resizeColumnsToContents();
        if (m_found.isEmpty()) {
            if (!m_line->text().trimmed().isEmpty())
                m_services.messages.showMessage(QStringLiteral("没有找到“%1”。").arg(m_line->text().trimmed()));
            return;
        }
        m_results->selectRow(0);
        m_results->setFocus(Qt::OtherFocusReason);
    });
}

void FindPupilTab::openChosen()
{
    const int row = m_results->currentRow();
    if (row < 0 || row >= m_found.size())
        return;
    const PupilSearch::Pupil &pupil = m_found.at(row);
    if (!m_classOfThisRun.isEmpty() && pupil.table.compare(m_classOfThisRun, Qt::CaseInsensitive) == 0) {
        emit editRequested(pupil.id);
        return;
    }
    runGuarded(m_services.messages, [&] { showReadOnly(pupil); });
}

void FindPupilTab::showReadOnly(const PupilSearch::Pupil &pupil)
{
    const QueryResult stored = m_db.query(SqlStatement(
        QStringLiteral("select * from %1 where id = ?").arg(TableName(pupil.table).sql(m_db)), {pupil.id}));
    if (stored.isEmpty()) {
        m_services.messages.showMessage(QStringLiteral("%1 的编号 %2 已不在表中。").arg(pupil.table).arg(pupil.id));
        return;
    }
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("%1 %2 %3").arg(pupil.table).arg(pupil.id).arg(pupil.name));
    auto *values = readOnlyTable(2, &dialog);
    values->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("存储的值")});
    for (int column = 0; column < stored.columnCount(); ++column) {
        values->insertRow(column);
        values->setItem(column, 0, new QTableWidgetItem(stored.columns.at(column)));
        values->setItem(column, 1, new QTableWidgetItem(stored.text(0, column)));
    }
    values->resizeColumnsToContents();
    auto *note = new QLabel(QStringLiteral("只读。要修改，请在录入窗口换班级到 %1，勾选编辑后查找 %2。").arg(pupil.table, pupil.name),
                            &dialog);
    note->setWordWrap(true);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(close, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(values, 1);
    layout->addWidget(note);
    layout->addWidget(close);
    dialog.resize(520, 600);
    dialog.exec();
}
