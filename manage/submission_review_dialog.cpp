#include "submission_review_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/keeping/history.h"
#include "core/record/id_number_mask.h"
#include "core/record/record_columns.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"

namespace {

QTableWidgetItem *cell(const QString &text)
{
    return new QTableWidgetItem(text);
}

} // namespace

SubmissionReviewDialog::SubmissionReviewDialog(Database &db, Services &services, const QString &classTable,
                                               QWidget *parent)
    : QDialog(parent), m_db(db), m_services(services), m_classTable(classTable),
      m_list(new QTableWidget(0, 6, this)), m_match(new QLabel(this)), m_record(new QTableWidget(0, 3, this)),
      m_accept(new QPushButton(QStringLiteral("接受"), this)), m_return(new QPushButton(QStringLiteral("退回…"), this))
{
    setWindowTitle(QStringLiteral("网上填报审核 - %1").arg(classTable));
    setAccessibleName(windowTitle());
    m_list->setObjectName(QStringLiteral("tblSubmissions"));
    m_list->setAccessibleName(QStringLiteral("提交的记录"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("提交时间"), QStringLiteral("姓名"),
                                       QStringLiteral("身份证件号"), QStringLiteral("状态"),
                                       QStringLiteral("班级中的学生")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_record->setObjectName(QStringLiteral("tblSubmittedRecord"));
    m_record->setAccessibleName(QStringLiteral("提交的内容与班级中现有的记录"));
    m_record->setHorizontalHeaderLabels(
        {QStringLiteral("项目"), QStringLiteral("提交的内容"), QStringLiteral("班级中现有的")});
    m_record->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_record->verticalHeader()->hide();
    m_record->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_match->setWordWrap(true);
    m_accept->setObjectName(QStringLiteral("btnAcceptSubmission"));
    m_accept->setAccessibleName(QStringLiteral("接受所选的提交"));
    m_return->setObjectName(QStringLiteral("btnReturnSubmission"));
    m_return->setAccessibleName(QStringLiteral("退回所选的提交"));

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_list);
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_match);
    rightLayout->addWidget(m_record, 1);
    auto *split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);

    auto *refresh = new QPushButton(QStringLiteral("刷新"), this);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_accept);
    buttons->addWidget(m_return);
    buttons->addWidget(refresh);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(1000, 620);

    connect(m_list, &QTableWidget::itemSelectionChanged, this, &SubmissionReviewDialog::showChosen);
    connect(m_accept, &QPushButton::clicked, this, &SubmissionReviewDialog::acceptChosen);
    connect(m_return, &QPushButton::clicked, this, &SubmissionReviewDialog::returnChosen);
    connect(refresh, &QPushButton::clicked, this, &SubmissionReviewDialog::showSubmissions);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showSubmissions();
}

void SubmissionReviewDialog::showSubmissions()
{
    runGuarded(m_services.messages, [&] { m_items = SubmissionQueue::list(m_db, m_classTable); });
    const QSignalBlocker blocker(m_list);
    m_list->clearContents();
    m_list->setRowCount(int(m_items.size()));
    for (int r = 0; r < m_items.size(); ++r) {
        const SubmissionQueue::ForReview &s = m_items.at(r);
        const QString matched = s.matchedPupilId == 0
                                    ? QStringLiteral("（新学生）")
                                    : QStringLiteral("%1 %2，%3 项不同")
                                          .arg(s.matchedPupilId)
                                          .arg(s.matchedName)
                                          .arg(s.differences.size());
        const QStringList texts = {QString::number(s.id), s.receivedAt, s.name(), IdNumberMask::masked(s.cardNo()),
                                   SubmissionQueue::stateText(s.state), matched};
        for (int c = 0; c < texts.size(); ++c)
            m_list->setItem(r, c, cell(texts.at(c)));
    }
    m_list->resizeColumnsToContents();
    // The first one waiting is what the teacher looks at next.
    int first = -1;
    for (int r = 0; r < m_items.size() && first < 0; ++r) {
        if (m_items.at(r).state == SubmissionQueue::State::Waiting)
            first = r;
    }
    if (first >= 0)
        m_list->selectRow(first);
    showChosen();
}

void SubmissionReviewDialog::showChosen()
{
    const int row = m_list->currentRow();
    const bool shown = m_list->selectionModel()->hasSelection() && row >= 0 && row < m_items.size();
    m_record->setRowCount(0);
    m_match->clear();
    const QList<qint64> waiting = chosenWaiting();
    m_accept->setEnabled(!waiting.isEmpty());
    m_return->setEnabled(!waiting.isEmpty());
    if (!shown)
        return;
    const SubmissionQueue::ForReview &s = m_items.at(row);
    QHash<QString, QString> stored;
    for (const SubmissionQueue::Difference &d : s.differences)
        stored.insert(d.field, d.stored);
    if (s.state != SubmissionQueue::State::Waiting)
        m_match->setText(QStringLiteral("%1（%2 %3）%4")
                             .arg(SubmissionQueue::stateText(s.state), s.reviewedBy, s.reviewedAt,
                                  s.note.isEmpty() ? QString() : QStringLiteral("：") + s.note));
    else if (s.matchedPupilId == 0)
        m_match->setText(QStringLiteral("班级中没有身份证件号相同的学生：接受后新增一名学生。"));
    else
        m_match->setText(QStringLiteral("与班级中的 %1 %2 身份证件号相同：接受后修改这名学生，标出的 %3 项会改变。")
                             .arg(s.matchedPupilId)
                             .arg(s.matchedName)
                             .arg(s.differences.size()));
    const QStringList &columns = RecordColumns::dataColumns();
    m_record->setRowCount(int(columns.size()));
    for (int r = 0; r < columns.size(); ++r) {
        const QString &name = columns.at(r);
        const bool differs = stored.contains(name);
        m_record->setItem(r, 0, cell(name));
        m_record->setItem(r, 1, cell(s.values.value(r)));
        QString existing;
        if (differs)
            existing = stored.value(name).isEmpty() ? QStringLiteral("（空）") : stored.value(name);
        else if (s.matchedPupilId)
            existing = QStringLiteral("（相同）");
        m_record->setItem(r, 2, cell(existing));
        if (differs) {
            for (int c = 0; c < 3; ++c) {
                QFont font = m_record->item(r, c)->font();
                font.setBold(true);
                m_record->item(r, c)->setFont(font);
                m_record->item(r, c)->setBackground(QColor(255, 243, 205));
            }
        }
    }
}

QList<qint64> SubmissionReviewDialog::chosenWaiting() const
{
    QList<qint64> ids;
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    for (const QModelIndex &index : rows) {
        if (index.row() < m_items.size() && m_items.at(index.row()).state == SubmissionQueue::State::Waiting)
            ids << m_items.at(index.row()).id;
    }
    return ids;
}

void SubmissionReviewDialog::acceptChosen()
{
    const QList<qint64> ids = chosenWaiting();
    if (ids.isEmpty())
        return;
    runGuarded(m_services.messages, [&] {
        const QList<SubmissionQueue::Outcome> outcomes = SubmissionQueue::accept(
            m_db, m_classTable, ids, History::who(m_db), m_services.programFile(QStringLiteral("debug.txt")));
        emit classChanged();
        report(outcomes);
    });
    showSubmissions();
}

void SubmissionReviewDialog::returnChosen()
{
    const QList<qint64> ids = chosenWaiting();
    if (ids.isEmpty())
        return;
    bool ok = false;
    const QString note = QInputDialog::getText(this, QStringLiteral("退回"),
                                               QStringLiteral("退回的原因（填报人凭回执看到这段话）："),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok)
        return;
    if (note.isEmpty()) {
        m_services.messages.showMessage(QStringLiteral("请写明退回的原因，填报人才知道要改什么。"));
        return;
    }
    runGuarded(m_services.messages, [&] {
        report(SubmissionQueue::reject(m_db, m_classTable, ids, note, History::who(m_db)));
    });
    showSubmissions();
}

void SubmissionReviewDialog::report(const QList<SubmissionQueue::Outcome> &outcomes)
{
    QStringList lines;
    for (const SubmissionQueue::Outcome &o : outcomes)
        lines << QStringLiteral("%1：%2").arg(o.id).arg(o.text);
    if (!lines.isEmpty())
        m_services.messages.showMessage(lines.join(QLatin1Char('\n')));
}
