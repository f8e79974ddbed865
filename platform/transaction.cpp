#include "transaction.h"

void lockAgainstWriters(Database &db, const TableName &table)
{
    switch (db.engine()) {
    case Database::Engine::Sqlite:
        return;
    case Database::Engine::PostgreSql:
        // Conflicts with itself and with every insert, update and delete; not with reads.
        db.execute(QStringLiteral("lock table ") + table.sql(db) + QStringLiteral(" in share row exclusive mode"));
        return;
    case Database::Engine::SqlServer:
        db.query(QStringLiteral("select top 0 * from ") + table.sql(db) + QStringLiteral(" with (tablockx, holdlock)"));
        return;
    }
}
