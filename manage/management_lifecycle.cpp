// The management window's 移出…, 转班… and 已移出… on the print tab: they gather
// the table and the pupils picked in ListBox1, ask what is needed, call the
// keeping operations and show the outcome.
#include "management_window.h"

#include <QInputDialog>
#include <QListWidget>

#include "core/keeping/class_move.h"
#include "core/keeping/kept_records.h"
#include "core/operations/class_table_names.h"
#include "core/operations/table_lists.h"
#include "entry/remove_reason_dialog.h"
#include "manage/kept_records_dialog.h"
#include "platform/database.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "ui_management_window.h"

QList<qint64> ManagementWindow::selectedIdsOrHint()
{
    QList<qint64> ids;
    if (!currentTable().isEmpty()) {
        for (const QString &item : selectedRecordItems()) {
            bool ok = false;
            const qint64 id = ExtractRecordId(item).toLongLong(&ok);
            if (ok)
                ids << id;
        }
    }
    if (ids.isEmpty())
        m_services.messages.showMessage(QStringLiteral("请先选择表格，再在“选择记录”中选中要处理的学生。"));
    return ids;
}

void ManagementWindow::takeOutClick()
{
    runGuarded(m_services.messages, [this] {
        const QList<qint64> ids = selectedIdsOrHint();
        if (ids.isEmpty())
            return;
        const QString table = currentTable();
        const QStringList items = selectedRecordItems();
        const QString who = items.size() == 1 ? items.first() : QStringLiteral("选中的 %1 名学生").arg(items.size());
        const QString reason = RemoveReasonDialog::ask(this, who);
        if (reason.isEmpty())
            return;
        const int count = KeptRecords::takeOutNow(m_db, table, ids, reason);
        refreshLists();
        m_services.messages.showMessage(
            QStringLiteral("已从 %1 移出 %2 名学生（%3）。可在“已移出…”中恢复。").arg(table).arg(count).arg(reason));
    });
}

void ManagementWindow::moveClassClick()
{
    runGuarded(m_services.messages, [this] {
        const QList<qint64> ids = selectedIdsOrHint();
        if (ids.isEmpty())
            return;
        const QString from = currentTable();
        QStringList classes;
        for (const QString &name : TableLists::tableNames(m_db)) {
            if (name != from && ClassTableNames::isPreselected(name))
                classes << name;
        }
        bool ok = false;
        const QString typed = QInputDialog::getItem(
            this, QStringLiteral("转班"),
            QStringLiteral("把 %1 名学生从 %2 转到（选择已有的班级，或写出新班级，如 高一03）：").arg(ids.size()).arg(from),
            classes, 0, true, &ok).trimmed();
        if (!ok || typed.isEmpty())
            return;
        const QString known = TableLists::listedName(TableLists::tableNames(m_db), typed);
        const QString to = known.isEmpty() ? typed : known;
        if (known.isEmpty() && ClassTableNames::isClassName(to)
            && m_services.messages.askBox(this, windowTitle(), QStringLiteral("班级表 %1 还不存在，是否新建？").arg(to),
                                          Messages::Icon::Question, Messages::Buttons::YesNo)
                   != Messages::Answer::Yes)
            return;
        const ClassMove::Result result = ClassMove::move(m_db, from, ids, to, m_db.currentDateTime().date());
        refreshLists();
        m_services.messages.showMessage(QStringLiteral("已把 %1 名学生从 %2 转到 %3。\n%4")
                                            .arg(result.moved.size())
                                            .arg(from, result.to, ClassMove::classCodeRule()));
    });
}

void ManagementWindow::keptRecordsClick()
{
    runGuarded(m_services.messages, [this] {
        KeptRecordsDialog dialog(m_db, m_services.messages, currentTable(), this);
        dialog.exec();
        refreshLists();
    });
}
