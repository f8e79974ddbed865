#include "record_loader.h"

#include <utility>

#include "core/record/entry_rules.h"
#include "core/record/record_schema.h"
#include "core/record/record_item.h"
#include "platform/database.h"

RecordLoader::RecordLoader(Database &db, QString classTable) : m_db(db), m_classTable(std::move(classTable)) {}

QList<RecordLoader::ListEntry> RecordLoader::recordItems()
{
    const QString name = RecordSchema::name(RecordColumns::Name);
    const QueryResult result =
        m_db.query(QStringLiteral("select id, ") + name + QStringLiteral(" from ") + m_classTable.sql(m_db) + QStringLiteral(" Order by ") + name);
    QList<ListEntry> entries;
    entries.reserve(result.rowCount());
    for (int row = 0; row < result.rowCount(); ++row) {
        const qint64 id = result.text(row, 0).toLongLong();
        entries.append({id, RecordItem::format(id, result.text(row, 1))});
    }
    return entries;
}

std::optional<QHash<QString, QString>> RecordLoader::loadRecord(const QString &idText)
{
    // The id goes into the statement as it is; only a number may.
    if (idText.isEmpty() || !EntryRules::IsAllDigits(idText))
        return std::nullopt;
    const QueryResult result =
        m_db.query(QStringLiteral("select * from ") + m_classTable.sql(m_db) + QStringLiteral(" where id = ") + idText);
    if (result.isEmpty())
        return std::nullopt;
    QHash<QString, QString> values;
    for (const QString &column : readBackColumns()) {
        const int index = result.columnIndex(column);
        if (index < 0)
            throw DatabaseError(QStringLiteral("no such column: ") + column);
        values.insert(column, result.text(0, index));
    }
    return values;
}

const QStringList &RecordLoader::readBackColumns()
{
    static const QStringList columns = [] {
        QStringList names;
        for (const RecordSchema::Column &column : RecordSchema::columns()) {
            if (RecordSchema::readBack(column))
                names << QString::fromUtf16(column.name);
        }
        return names;
    }();
    return columns;
}

QString RecordLoader::notFoundMessage(const QString &idText)
{
    return QStringLiteral("编号= ") + idText + QStringLiteral(" 的学籍数据未能找到。");
}
