#include "class_rows.h"

#include <QStringList>

#include "core/record/record_columns.h"
#include "platform/database.h"
#include "platform/inserted_key.h"

namespace ClassRows {

bool idFree(Database &db, const TableName &table, qint64 id)
{
    return db.query(SqlStatement(QStringLiteral("select count(*) from %1 where id = ?").arg(table.sql(db)), {id}))
               .text(0, 0)
           == QLatin1String("0");
}

QString columnList()
{
    return RecordColumns::dataColumns().join(QStringLiteral(", "));
}

static QString placeholders(qsizetype count)
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), count);
    return marks.join(QStringLiteral(", "));
}

void insertWithId(Database &db, const TableName &table, qint64 id, const QVariantList &values)
{
    const QString name = table.sql(db);
    const SqlStatement insert(QStringLiteral("insert into %1 (id, %2) values (%3)")
                                  .arg(name, columnList(), placeholders(values.size() + 1)),
                              QVariantList{id} + values);
    switch (db.engine()) {
    case Database::Engine::Sqlite:
        // AUTOINCREMENT remembers the highest id ever used, this one included.
        db.execute(insert);
        return;
    case Database::Engine::PostgreSql:
        db.execute(insert);
        // The identity's sequence does not see an id given by hand: move it past.
        db.query(SqlStatement(
            QStringLiteral("select setval(pg_get_serial_sequence(?, 'id'), greatest(coalesce(pg_sequence_last_value("
                           "cast(pg_get_serial_sequence(?, 'id') as regclass)), 0), ?))"),
            {name, name, id}));
        return;
    case Database::Engine::SqlServer:
        db.execute(QStringLiteral("set identity_insert %1 on").arg(name));
        db.execute(insert);
        db.execute(QStringLiteral("set identity_insert %1 off").arg(name));
        return;
    }
}

qint64 insertNew(Database &db, const TableName &table, const QVariantList &values)
{
    db.execute(SqlStatement(
        QStringLiteral("insert into %1 (%2) values (%3)").arg(table.sql(db), columnList(), placeholders(values.size())),
        values));
    return lastInsertedKey(db);
}

} // namespace ClassRows
