#include "table_merge.h"

#include "manage/class_table_names.h"
#include "platform/app_error.h"
#include "platform/database.h"

namespace TableMerge {

namespace {

bool isPlainName(const QString &name)
{
    if (name.isEmpty() || name.front().isDigit())
        return false;
    for (const QChar c : name) {
        // Letters cover Latin and CJK characters alike; digits only ASCII so
        // that the name stays an unquoted identifier on every engine.
        const bool ok = c.isLetter() || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_');
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QString defaultTarget()
{
    return QStringLiteral("合并表");
}

QString refusal(const QString &rawTarget, const QStringList &tables)
{
    const QString target = rawTarget.trimmed();
    if (target.isEmpty())
        return QStringLiteral("请输入合并后名称。");
    if (!isPlainName(target))
        return QStringLiteral("合并后名称“%1”只能由字母、数字、汉字和下划线组成，且不能以数字开头。").arg(target);
    for (const QString &templ : {QStringLiteral("Init1"), QStringLiteral("Init2")}) {
        if (target.compare(templ, Qt::CaseInsensitive) == 0)
            return QStringLiteral("不能合并到模板表 %1，请换一个合并后名称。").arg(templ);
    }
    for (const QString &table : tables) {
        if (target.compare(table, Qt::CaseInsensitive) == 0)
            return QStringLiteral("合并后名称“%1”是要合并的表之一，请换一个名称。").arg(target);
    }
    if (ClassTableNames::isClassTable(target))
        return QStringLiteral("合并后名称“%1”是班级表的名称，请换一个名称。").arg(target);
    return QString();
}

QString mergeColumnList(const QStringList &init2Columns)
{
    QStringList columns = init2Columns;
    if (!columns.isEmpty() && columns.front().compare(QLatin1String("id"), Qt::CaseInsensitive) == 0)
        columns.removeFirst();
    return columns.join(QLatin1Char(','));
}

int mergeTables(Database &db, const QStringList &tables, const QString &rawTarget)
{
    const QString reason = refusal(rawTarget, tables);
    if (!reason.isEmpty())
        throw AppError(reason);
    const QString target = rawTarget.trimmed();
    db.execute(QStringLiteral("if exists(select * from sysObjects where name = '") + target
               + QStringLiteral("') drop table ") + target);
    db.execute(QStringLiteral("select * into %1 from init2 where 1 <> 1").arg(target));
    const QString columns = mergeColumnList(db.query(QStringLiteral("select * from init2 where 1 <> 1")).columns);
    int count = 0;
    for (const QString &table : tables) {
        db.execute(QStringLiteral("insert into %1 (%2)  select %2 from %3").arg(target, columns, table));
        ++count;
    }
    return count;
}

QString resultMessage(int count)
{
    return QStringLiteral("已合并 %1 个表。").arg(count);
}

} // namespace TableMerge
