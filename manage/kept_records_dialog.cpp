#include "kept_records_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/record/id_number_mask.h"
#include "core/keeping/kept_records.h"
#include "platform/guard.h"
#include "platform/messages.h"

KeptRecordsDialog::KeptRecordsDialog(Database &db, Messages &messages, const QString &classTable, QWidget *parent)
    : QDialog(parent), m_db(db), m_messages(messages), m_classTable(classTable),
      m_onlyClass(new QCheckBox(QStringLiteral("只看 %1").arg(classTable), this)), m_table(new QTableWidget(this))
{
    setWindowTitle(QStringLiteral("已移出的记录"));
    setAccessibleName(QStringLiteral("已移出的记录"));
    resize(820, 420);
    auto *layout = new QVBoxLayout(this);
    m_onlyClass->setVisible(!classTable.isEmpty());
    m_onlyClass->setChecked(false);
    layout->addWidget(m_onlyClass);
    m_table->setColumnCount(8);
    m_table->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("班级"), QStringLiteral("原编号"),
                                        QStringLiteral("姓名"), QStringLiteral("身份证件号"), QStringLiteral("原因"),
                                        QStringLiteral("移出时间"), QStringLiteral("操作人")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->setAccessibleName(QStringLiteral("已移出的记录"));
    layout->addWidget(m_table);
    auto *buttons = new QHBoxLayout;
    auto *back = new QPushButton(QStringLiteral("恢复"), this);
    auto *remove = new QPushButton(QStringLiteral("彻底删除"), this);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    back->setObjectName(QStringLiteral("btnBringBack"));
    remove->setObjectName(QStringLiteral("btnDeleteForGood"));
    for (QPushButton *button : {back, remove, close}) {
        button->setAutoDefault(false);
        button->setAccessibleName(button->text());
        buttons->addWidget(button);
    }
    buttons->insertStretch(2);
    layout->addLayout(buttons);
    connect(back, &QPushButton::clicked, this, &KeptRecordsDialog::bringBackClick);
    connect(remove, &QPushButton::clicked, this, &KeptRecordsDialog::deleteClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_onlyClass, &QCheckBox::toggled, this, [this] { runGuarded(m_messages, [this] { reload(); }); });
    reload();
}

void KeptRecordsDialog::reload()
{
    const QList<KeptRecords::Kept> kept =
        KeptRecords::list(m_db, m_onlyClass->isChecked() ? m_classTable : QString());
    m_table->setRowCount(int(kept.size()));
    for (int r = 0; r < kept.size(); ++r) {
        const KeptRecords::Kept &k = kept.at(r);
        const QStringList texts = {QString::number(k.keptId), k.classTable, QString::number(k.pupilId), k.name,
                                   IdNumberMask::masked(k.cardNo), k.reason, k.removedAt, k.removedBy};
        for (int c = 0; c < texts.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(texts.at(c)));
    }
    m_table->resizeColumnsToContents();
}

QList<qint64> KeptRecordsDialog::selectedKeptIds() const
{
    QSet<int> rows;
    for (const QTableWidgetItem *item : m_table->selectedItems())
        rows.insert(item->row());
    QList<qint64> ids;
    for (int row : rows)
        ids << m_table->item(row, 0)->text().toLongLong();
    std::sort(ids.begin(), ids.end());
    return ids;
}

void KeptRecordsDialog::bringBackClick()
{
    runGuarded(m_messages, [this] {
        const QList<qint64> ids = selectedKeptIds();
        if (ids.isEmpty()) {
            m_messages.showMessage(QStringLiteral("请先选中要恢复的记录。"));
            return;
        }
        const KeptRecords::BringBackResult result = KeptRecords::bringBack(m_db, ids);
        reload();
        QStringList lines;
        for (const KeptRecords::Returned &r : result.returned)
            lines << KeptRecords::describe(r);
        if (!result.notKept.isEmpty())
            lines << QStringLiteral("另有 %1 条已不在已移出的记录中（可能已在别处恢复或删除）。").arg(result.notKept.size());
        m_messages.showMessage(QStringLiteral("已恢复 %1 条：\n").arg(result.returned.size()) + lines.join(QLatin1Char('\n')));
    });
}

void KeptRecordsDialog::deleteClick()
{
    runGuarded(m_messages, [this] {
        const QList<qint64> ids = selectedKeptIds();
        if (ids.isEmpty()) {
            m_messages.showMessage(QStringLiteral("请先选中要彻底删除的记录。"));
            return;
        }
        if (m_messages.askBox(this, windowTitle(),
                              QStringLiteral("彻底删除选中的 %1 条记录？删除后不能恢复。").arg(ids.size()),
                              Messages::Icon::Warning, Messages::Buttons::YesNo)
            != Messages::Answer::Yes)
            return;
        const int count = KeptRecords::deleteForGood(m_db, ids);
        reload();
        m_messages.showMessage(QStringLiteral("已彻底删除 %1 条记录。").arg(count));
    });
}
