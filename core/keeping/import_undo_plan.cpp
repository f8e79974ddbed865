#include "import_undo.h"

#include <QHash>
#include <QSet>

#include "core/keeping/history.h"
#include "platform/database.h"
#include "platform/table_name.h"

namespace ImportUndo {

static QString pupilList(const QList<Pupil> &pupils)
{
    QStringList names;
    for (const Pupil &pupil : pupils)
        names << QStringLiteral("%1 %2").arg(pupil.id).arg(pupil.name);
    return names.join(QStringLiteral("、"));
}

Plan plan(Database &db, qint64 act)
{
    Plan result;
    result.act = act;
    const QList<HistoryLine> lines = History::readAct(db, act);
    if (lines.isEmpty() || lines.front().number != act || lines.front().entry.kind != QStringLiteral("导入")) {
        result.refusal = QStringLiteral("没有第 %1 号导入。用 tavro history 查看导入的操作号。").arg(act);
        return result;
    }
    result.classTable = lines.front().entry.classTable;
    result.detail = lines.front().entry.detail;
    if (!db.tableNames().contains(result.classTable)) {
        result.refusal = QStringLiteral("班级表“%1”已不存在，第 %2 号导入无法撤销。").arg(result.classTable).arg(act);
        return result;
    }

    // A pupil counts as changed by any 修改 line after the import.
    HistoryFilter filter;
    filter.classTable = result.classTable;
    filter.kind = QStringLiteral("修改");
    QSet<qint64> changedIds;
    for (const HistoryLine &line : History::read(db, filter)) {
        if (line.number > act)
            changedIds.insert(line.entry.pupilId);
    }
    QHash<qint64, QString> present;
    const TableName table(result.classTable);
    const QueryResult rows = db.query(QStringLiteral("select id, 姓名 from %1").arg(table.sql(db)));
    for (int r = 0; r < rows.rowCount(); ++r)
        present.insert(rows.text(r, 0).toLongLong(), rows.text(r, 1));

    for (const HistoryLine &line : lines.mid(1)) {
        const Pupil pupil{line.entry.pupilId, line.entry.pupilName};
        const auto it = present.constFind(pupil.id);
        if (it == present.constEnd())
            result.gone << pupil;
        else if (changedIds.contains(pupil.id) || it.value() != pupil.name)
            result.changed << pupil; // edited, or the id now holds another pupil
        else
            result.takeOut << pupil;
    }
    if (result.takeOut.isEmpty())
        result.refusal = QStringLiteral("第 %1 号导入已没有可撤销的学生：导入的学生都已修改过或已不在班级表“%2”中。")
                             .arg(act)
                             .arg(result.classTable);
    return result;
}

QString planText(const Plan &plan)
{
    if (plan.classTable.isEmpty())
        return plan.refusal;
    QStringList lines;
    lines << QStringLiteral("第 %1 号导入（班级表“%2”，%3）").arg(plan.act).arg(plan.classTable, plan.detail);
    if (!plan.takeOut.isEmpty())
        lines << QStringLiteral("撤销 %1 名学生（移出到已移出记录，原因：%2）：%3")
                     .arg(plan.takeOut.size())
                     .arg(reason, pupilList(plan.takeOut));
    if (!plan.changed.isEmpty())
        lines << QStringLiteral("导入后修改过，保留在班级表中的 %1 名：%2").arg(plan.changed.size()).arg(pupilList(plan.changed));
    if (!plan.gone.isEmpty())
        lines << QStringLiteral("已不在班级表中的 %1 名：%2").arg(plan.gone.size()).arg(pupilList(plan.gone));
    if (!plan.refusal.isEmpty())
        lines << plan.refusal;
    return lines.join(QLatin1Char('\n'));
}

} // namespace ImportUndo
