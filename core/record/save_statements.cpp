#include "save_statements.h"

#include <stdexcept>

#include "core/record/record_schema.h"

namespace SaveStatements {

namespace {

void requireAllColumns(const QStringList &values)
{
    if (values.size() != RecordColumns::Count)
        throw std::invalid_argument("a student record needs one value for each of its columns");
}

} // namespace

SqlStatement duplicateQuery(const TableName &classTable, Database::Engine engine, const QString &name,
                            const QString &cardNo)
{
    return SqlStatement(QStringLiteral("Select id from ") + classTable.sql(engine) + QStringLiteral(" where (")
                            + RecordSchema::name(RecordColumns::Name) + QStringLiteral(" = ?) or (")
                            + RecordSchema::name(RecordColumns::CardNo) + QStringLiteral("=?)"),
                        {name, cardNo});
}

SqlStatement insertStatement(const TableName &classTable, Database::Engine engine, const QStringList &values)
{
    requireAllColumns(values);
    QString names;
    QString list;
    QVariantList bound;
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        if (!(column.statements & RecordSchema::Insert))
            continue;
        if (!names.isEmpty()) {
            names += QStringLiteral(", ");
            list += column.insertValueWithoutBlank ? QStringLiteral(",") : QStringLiteral(", ");
        }
        names += QString::fromUtf16(column.name);
        list += QLatin1Char('?');
        bound << values.at(column.order);
    }
    return SqlStatement(QStringLiteral("insert into ") + classTable.sql(engine) + QStringLiteral(" (") + names
                            + QStringLiteral(" ) values (") + list + QStringLiteral("  ) "),
                        bound);
}

SqlStatement updateStatement(const TableName &classTable, Database::Engine engine, const QStringList &values,
                             qint64 id)
{
    requireAllColumns(values);
    QString assignments;
    QVariantList bound;
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        if (!(column.statements & RecordSchema::Update))
            continue;
        if (!assignments.isEmpty())
            assignments += column.updateAfterTwoBlanks ? QStringLiteral(",  ") : QStringLiteral(", ");
        assignments += QString::fromUtf16(column.name) + QStringLiteral("=?");
        bound << values.at(column.order);
    }
    return SqlStatement(QStringLiteral("update ") + classTable.sql(engine) + QStringLiteral(" set ") + assignments
                            + QStringLiteral("  where id = ") + QString::number(id),
                        bound);
}

} // namespace SaveStatements
