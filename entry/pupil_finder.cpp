#include "pupil_finder.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QStandardItemModel>

#include "core/record/id_number_mask.h"
#include "core/record/record_item.h"

namespace {
constexpr int IdRole = Qt::UserRole + 1;
} // namespace

PupilFinder::PupilFinder(QLineEdit *line, QObject *parent)
    : QObject(parent), m_line(line), m_found(new QStandardItemModel(this)), m_completer(new QCompleter(this))
{
    // The rows are the search's own result: the completer shows them unfiltered.
    m_completer->setModel(m_found);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setMaxVisibleItems(15);
    m_completer->setWidget(m_line);
    connect(m_line, &QLineEdit::textEdited, this, &PupilFinder::search);
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) { pick(index.data(IdRole).toLongLong()); });
    connect(m_line, &QLineEdit::returnPressed, this, [this] {
        const QList<qint64> ids = foundIds();
        if (!ids.isEmpty())
            pick(ids.first());
    });
}

void PupilFinder::setPupils(QList<PupilSearch::Pupil> pupils)
{
    m_pupils = std::move(pupils);
    m_line->clear();
    m_found->clear();
}

QList<qint64> PupilFinder::foundIds() const
{
    QList<qint64> ids;
    for (int row = 0; row < m_found->rowCount(); ++row)
        ids << m_found->item(row)->data(IdRole).toLongLong();
    return ids;
}

void PupilFinder::search(const QString &text)
{
    m_found->clear();
    for (const PupilSearch::Pupil &pupil : std::as_const(m_pupils)) {
        if (!PupilSearch::matches(pupil, text))
            continue;
        QString shown = RecordItem::format(pupil.id, pupil.name);
        if (!pupil.idNumber.isEmpty())
            shown += QStringLiteral("  ") + IdNumberMask::masked(pupil.idNumber);
        auto *item = new QStandardItem(shown);
        item->setData(pupil.id, IdRole);
        m_found->appendRow(item);
    }
    if (m_found->rowCount() > 0)
        m_completer->complete();
    else
        m_completer->popup()->hide();
}

void PupilFinder::pick(qint64 id)
{
    m_completer->popup()->hide();
    m_line->clear();
    m_found->clear();
    emit picked(id);
}
