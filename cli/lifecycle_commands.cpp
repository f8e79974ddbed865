#include "commands.h"

#include <QTextStream>

#include "cli/command_options.h"
#include "core/keeping/class_move.h"
#include "core/keeping/kept_records.h"
#include "core/operations/table_lists.h"
#include "core/record/id_number_mask.h"
#include "platform/app_error.h"
#include "platform/database.h"

namespace Commands {

namespace {

QString idList(const QList<qint64> &ids)
{
    QStringList texts;
    for (qint64 id : ids)
        texts << QString::number(id);
    return texts.join(QStringLiteral("、"));
}

} // namespace

void remove(Database &db, const CommandOptions &options, const QList<qint64> &ids, QTextStream &out)
{
    const QString table = listedClassTable(db, options.table);
    const QString reason = KeptRecords::storedReason(options.reason, options.note);
    const int count = KeptRecords::takeOutNow(db, table, ids, reason);
    if (count == 0)
        throw AppError(QStringLiteral("班级表“%1”中没有编号为 %2 的学生，没有移出任何学生。").arg(table, idList(ids)));
    out << QStringLiteral("已从 %1 移出 %2 名学生，原因：%3。用 tavro removed 查看，用 tavro bring-back 恢复。")
               .arg(table)
               .arg(count)
               .arg(reason)
        << Qt::endl;
    if (count < ids.size())
        out << QStringLiteral("另有 %1 个编号不在 %2 中。").arg(ids.size() - count).arg(table) << Qt::endl;
}

void listRemoved(Database &db, const CommandOptions &options, QTextStream &out)
{
    const QList<KeptRecords::Kept> kept = KeptRecords::list(db, options.table);
    if (kept.isEmpty()) {
        out << QStringLiteral("没有已移出的记录。") << Qt::endl;
        return;
    }
    out << QStringLiteral("编号\t班级\t原编号\t姓名\t身份证件号\t原因\t移出时间\t操作人") << Qt::endl;
    for (const KeptRecords::Kept &k : kept) {
        out << QStringList{QString::number(k.keptId), k.classTable, QString::number(k.pupilId), k.name, IdNumberMask::masked(k.cardNo),
                           k.reason, k.removedAt, k.removedBy}
                   .join(QLatin1Char('\t'))
            << Qt::endl;
    }
    out << QStringLiteral("共 %1 条。").arg(kept.size()) << Qt::endl;
}

void bringBack(Database &db, const QList<qint64> &ids, QTextStream &out)
{
    const KeptRecords::BringBackResult result = KeptRecords::bringBack(db, ids);
    if (result.returned.isEmpty())
        throw AppError(QStringLiteral("已移出的记录中没有编号 %1（编号见 tavro removed），没有恢复任何记录。").arg(idList(ids)));
    for (const KeptRecords::Returned &r : result.returned)
        out << QStringLiteral("已恢复：") << KeptRecords::describe(r) << Qt::endl;
    if (!result.notKept.isEmpty())
        out << QStringLiteral("已移出的记录中没有编号 %1。").arg(idList(result.notKept)) << Qt::endl;
}

void deleteRemoved(Database &db, const QList<qint64> &ids, QTextStream &out)
{
    const int count = KeptRecords::deleteForGood(db, ids);
    if (count == 0)
        throw AppError(QStringLiteral("已移出的记录中没有编号 %1（编号见 tavro removed），没有删除任何记录。").arg(idList(ids)));
    out << QStringLiteral("已从已移出的记录中彻底删除 %1 条。").arg(count) << Qt::endl;
    if (count < ids.size())
        out << QStringLiteral("另有 %1 个编号不在已移出的记录中。").arg(ids.size() - count) << Qt::endl;
}

void move(Database &db, const CommandOptions &options, const QList<qint64> &ids, QTextStream &out)
{
    const QString from = listedClassTable(db, options.table);
    const QStringList listed = TableLists::tableNames(db);
    const QString known = TableLists::listedName(listed, options.to);
    const ClassMove::Result result =
        ClassMove::move(db, from, ids, known.isEmpty() ? options.to : known, db.currentDateTime().date());
    if (result.moved.isEmpty())
        throw AppError(QStringLiteral("班级表“%1”中没有编号为 %2 的学生，没有转班。").arg(from, idList(ids)));
    if (result.tableMade)
        out << QStringLiteral("已按 Init2 新建班级表 %1。").arg(result.to) << Qt::endl;
    for (const ClassMove::Moved &m : result.moved)
        out << QStringLiteral("%1 %2 → %3 %4，班号 %5 → %6")
                   .arg(QString::number(m.oldId), m.name, result.to, QString::number(m.newId), m.oldClassCode,
                        m.newClassCode)
            << Qt::endl;
    out << QStringLiteral("已从 %1 转到 %2：%3 名学生。").arg(from, result.to).arg(result.moved.size()) << Qt::endl
        << ClassMove::classCodeRule() << Qt::endl;
    if (!result.notFound.isEmpty())
        out << QStringLiteral("%1 中没有编号 %2。").arg(from, idList(result.notFound)) << Qt::endl;
}

} // namespace Commands
