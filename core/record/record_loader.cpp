#include "record_loader.h"

#include <utility>

#include "core/record/entry_rules.h"
#include "core/record/record_columns.h"
#include "core/record/record_item.h"
#include "platform/database.h"

namespace StoredValue {

QDate birthDate(const QString &stored)
{
    const QString digits = stored.left(8);
    if (digits.size() == 8 && EntryRules::IsAllDigits(digits)) {
        const QDate date(digits.left(4).toInt(), digits.mid(4, 2).toInt(), digits.mid(6, 2).toInt());
        if (date.isValid())
            return date;
    }
    throw StoredValueError(QStringLiteral("出生日期“%1”不是有效的日期").arg(stored));
}

int regionCode(const QString &stored)
{
    const QString digits = stored.left(6);
    if (digits.isEmpty() || !EntryRules::IsAllDigits(digits))
        throw StoredValueError(QStringLiteral("行政区划代码“%1”不是有效的数字").arg(stored));
    return digits.toInt();
}

EntryYearMonth entryYearMonth(const QString &stored)
{
    return {stored.left(4), stored.right(2)};
}

} // namespace StoredValue

RecordLoader::RecordLoader(Database &db, QString classTable) : m_db(db), m_classTable(std::move(classTable)) {}

QList<RecordLoader::ListEntry> RecordLoader::recordItems()
{
    const QueryResult result =
        m_db.query(QStringLiteral("select id, 姓名 from ") + m_classTable + QStringLiteral(" Order by 姓名"));
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
        m_db.query(QStringLiteral("select * from ") + m_classTable + QStringLiteral(" where id = ") + idText);
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
    static const QStringList columns = RecordColumns::dataColumns().mid(0, RecordColumns::ClassCode);
    return columns;
}

QString RecordLoader::notFoundMessage(const QString &idText)
{
    return QStringLiteral("编号= ") + idText + QStringLiteral(" 的学籍数据未能找到。");
}
