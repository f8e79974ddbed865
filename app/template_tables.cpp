#include "template_tables.h"

#include "entry/record_columns.h"
#include "platform/database.h"

namespace TemplateTables {

static QString textColumns(const QStringList &names)
{
    QStringList defs;
    for (const QString &name : names)
        defs << name + QStringLiteral(" TEXT");
    return defs.join(QStringLiteral(", "));
}

void create(Database &db)
{
    db.execute(QStringLiteral("CREATE TABLE Init2 (id INTEGER PRIMARY KEY AUTOINCREMENT, %1)")
                   .arg(textColumns(RecordColumns::dataColumns())));
    db.execute(QStringLiteral("CREATE TABLE Init1 (%1)").arg(textColumns(RecordColumns::nationalColumns())));
}

} // namespace TemplateTables
