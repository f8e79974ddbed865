#include "save_statements.h"

#include <stdexcept>

#include "core/record/record_schema.h"
#include "platform/sql_text.h"

namespace SaveStatements {

namespace {

void requireAllColumns(const QStringList &values)
{
    if (values.size() != RecordColumns::Count)
        throw std::invalid_argument("a student record needs one value for each of its columns");
}

} // namespace

QString duplicateQuery(const QString &classTable, const QString &name, const QString &cardNo)
{
    return QStringLiteral("Select id from ") + classTable + QStringLiteral(" where (")
        + RecordSchema::name(RecordColumns::Name) + QStringLiteral(" = '") + SqlText::escape(name)
        + QStringLiteral("') or (") + RecordSchema::name(RecordColumns::CardNo) + QStringLiteral("='")
        + SqlText::escape(cardNo) + QStringLiteral("')");
}

QString insertStatement(const QString &classTable, const QStringList &values)
{
    requireAllColumns(values);
    QString names;
    QString list;
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        if (!(column.statements & RecordSchema::Insert))
            continue;
        if (!names.isEmpty()) {
            names += QStringLiteral(", ");
            list += column.insertValueWithoutBlank ? QStringLiteral(",") : QStringLiteral(", ");
        }
        names += QString::fromUtf16(column.name);
        list += SqlText::quote(values.at(column.order));
    }
    return QStringLiteral("insert into ") + classTable + QStringLiteral(" (") + names + QStringLiteral(" ) values (")
        + list + QStringLiteral("  ) ");
}

QString updateStatement(const QString &classTable, const QStringList &values, qint64 id)
{
    requireAllColumns(values);
    QString assignments;
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        if (!(column.statements & RecordSchema::Update))
            continue;
        if (!assignments.isEmpty())
            assignments += column.updateAfterTwoBlanks ? QStringLiteral(",  ") : QStringLiteral(", ");
        assignments += QString::fromUtf16(column.name) + QLatin1Char('=') + SqlText::quote(values.at(column.order));
    }
    return QStringLiteral("update ") + classTable + QStringLiteral(" set ") + assignments
        + QStringLiteral("  where id = ") + QString::number(id);
}

} // namespace SaveStatements
