#include "table_lists.h"

#include "core/record/record_item.h"
#include "core/record/record_schema.h"
#include "core/keeping/program_tables.h"
#include "core/operations/class_table_names.h"
#include "platform/database.h"
#include "platform/table_name.h"

namespace TableLists {

QStringList tableNames(Database &db)
{
    return ProgramTables::withoutProgramTables(db.tableNames());
}

QList<bool> classTableSelection(const QStringList &names)
{
    QList<bool> selected;
    selected.reserve(names.size());
    for (const QString &name : names)
        selected << ClassTableNames::isPreselected(name);
    return selected;
}

QStringList classTables(const QStringList &names)
{
    QStringList classes;
    for (const QString &name : names) {
        if (ClassTableNames::isPreselected(name))
            classes << name;
    }
    return classes;
}

QString listedName(const QStringList &names, const QString &typed)
{
    if (typed.isEmpty())
        return QString();
    for (const QString &name : names) {
        if (name == typed)
            return name;
    }
    for (const QString &name : names) {
        if (name.compare(typed, Qt::CaseInsensitive) == 0)
            return name;
    }
    return QString();
}

QStringList recordItems(Database &db, const QString &table)
{
    const QString name = RecordSchema::name(RecordColumns::Name);
    const QueryResult result = db.query(QStringLiteral("select id, ") + name + QStringLiteral(" from ")
                                        + TableName(table).sql(db) + QStringLiteral(" order by ") + name + QLatin1Char(' '));
    QStringList items;
    items.reserve(result.rowCount());
    for (int row = 0; row < result.rowCount(); ++row) {
        const QString idText = result.text(row, 0);
        bool numeric = false;
        const qint64 id = idText.toLongLong(&numeric);
        items << (numeric ? RecordItem::format(id, result.text(row, 1))
                          : idText.leftJustified(5, QLatin1Char(' ')) + QLatin1Char(' ') + result.text(row, 1));
    }
    return items;
}

QString chooseTablesFirstText()
{
    return QStringLiteral("请先选择表。");
}

} // namespace TableLists
