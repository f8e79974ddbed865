#include "inserted_key.h"

#include "platform/database.h"

qint64 lastInsertedKey(Database &db)
{
    QString text;
    switch (db.engine()) {
    case Database::Engine::Sqlite:
        text = QStringLiteral("select last_insert_rowid()");
        break;
    case Database::Engine::PostgreSql:
        text = QStringLiteral("select lastval()");
        break;
    case Database::Engine::SqlServer:
        text = QStringLiteral("select @@IDENTITY");
        break;
    }
    return db.query(text).text(0, 0).toLongLong();
}
