#include "table_merge.h"

#include "core/keeping/history.h"
#include "core/keeping/program_tables.h"
#include "core/operations/class_table_names.h"
#include "platform/app_error.h"
#include "core/operations/table_lists.h"
#include "platform/database.h"
#include "platform/sql_name.h"
#include "platform/table_name.h"
#include "platform/sql_text.h"
#include "platform/transaction.h"

namespace TableMerge {


QString defaultTarget()
{
    return QStringLiteral("合并表");
}

QString refusal(const QString &rawTarget, const QStringList &tables)
{
    const QString target = rawTarget.trimmed();
    if (target.isEmpty())
        return QStringLiteral("请输入合并后名称。");
    if (!SqlName::isPlain(target))
        return QStringLiteral("合并后名称“%1”只能由字母、数字、汉字和下划线组成，且不能以数字开头。").arg(target);
    for (const QString &templ : {QStringLiteral("Init1"), QStringLiteral("Init2")}) {
        if (target.compare(templ, Qt::CaseInsensitive) == 0)
            return QStringLiteral("不能合并到模板表 %1，请换一个合并后名称。").arg(templ);
    }
    // The merge drops its target first: never the settings, history or kept records.
    if (ProgramTables::isProgramTable(target))
        return QStringLiteral("合并后名称“%1”以 tavro_ 开头，这是本程序自用的表名，请换一个名称。").arg(target);
    for (const QString &table : tables) {
        if (target.compare(table, Qt::CaseInsensitive) == 0)
            return QStringLiteral("合并后名称“%1”是要合并的表之一，请换一个名称。").arg(target);
    }
    // Every later merge, check and padding would take it for a class table.
    if (ClassTableNames::isPreselected(target))
        return QStringLiteral("合并后名称“%1”以 高、初 或 小 开头，会被当作班级表，请换一个名称。").arg(target);
    return QString();
}

QString mergeColumnList(const QStringList &init2Columns)
{
    QStringList columns = init2Columns;
    if (!columns.isEmpty() && columns.front().compare(QLatin1String("id"), Qt::CaseInsensitive) == 0)
        columns.removeFirst();
    return columns.join(QLatin1Char(','));
}

std::optional<qint64> existingRows(Database &db, const QString &rawTarget)
{
    const QString listed = TableLists::listedName(db.tableNames(), rawTarget.trimmed());
    if (listed.isEmpty())
        return std::nullopt;
    const QueryResult result = db.query(QStringLiteral("select count(*) from ") + TableName(listed).sql(db));
    return result.text(0, 0).toLongLong();
}

QString replaceQuestion(const QString &target, qint64 rows)
{
    return QStringLiteral("已有名为“%1”的表，其中有 %2 行数据。\r\n合并将删除这个表及其全部数据，再重新生成。是否替换它？")
        .arg(target.trimmed())
        .arg(rows);
}

QString existsRefusal(const QString &target, qint64 rows)
{
    return QStringLiteral("已有名为“%1”的表（%2 行），没有合并。要替换它，请加上 --replace。").arg(target.trimmed()).arg(rows);
}

int mergeTables(Database &db, const QStringList &tables, const QString &rawTarget, bool replaceExisting)
{
    const QString reason = refusal(rawTarget, tables);
    if (!reason.isEmpty())
        throw AppError(reason);
    const QString target = rawTarget.trimmed();
    const QString name = TableName(target).sql(db);
    // All or nothing: a failure, a kill or a lost server leaves an earlier
    // merged table exactly as it was.
    History::prepare(db);
    Transaction transaction(db);
    if (!replaceExisting) {
        if (const auto rows = existingRows(db, target))
            throw AppError(existsRefusal(target, *rows));
    }
    db.execute(QStringLiteral("if exists(select * from sysObjects where name = '") + SqlText::escape(target)
               + QStringLiteral("') drop table ") + name);
    db.execute(QStringLiteral("select * into %1 from init2 where 1 <> 1").arg(name));
    const QString columns = mergeColumnList(db.query(QStringLiteral("select * from init2 where 1 <> 1")).columns);
    int count = 0;
    for (const QString &table : tables) {
        db.execute(QStringLiteral("insert into %1 (%2)  select %2 from %3").arg(name, columns, TableName(table).sql(db)));
        ++count;
    }
    HistoryEntry line;
    line.kind = QStringLiteral("合并");
    line.classTable = target;
    line.detail = QStringLiteral("合并 %1 个表：%2").arg(count).arg(tables.join(QStringLiteral("、")));
    History::write(db, {line});
    transaction.commit();
    return count;
}

QString resultMessage(int count)
{
    return QStringLiteral("已合并 %1 个表。").arg(count);
}

} // namespace TableMerge
