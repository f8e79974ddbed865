#pragma once

#include <QDateTime>
#include <QStringList>

#include "platform/query_result.h"
#include "platform/sql_statement.h"

// The operations the program needs of a database: statements go in as T-SQL
// text with the values bound as parameters (a plain text converts to a
// statement without values); each takes effect by itself. Every
// failure throws DatabaseError with the engine's own message.
// Used from the user-interface thread only.
class Database
{
public:
    virtual ~Database() = default;

    // Which dialect the statements go through.
    enum class Engine { Sqlite, SqlServer, PostgreSql };
    virtual Engine engine() const = 0;

    // "sqlite", "sqlserver" or "postgresql": the engine in words, for
    // configuration, debug output and test names.
    static QString engineName(Engine engine)
    {
        switch (engine) {
        case Engine::Sqlite:
            return QStringLiteral("sqlite");
        case Engine::SqlServer:
            return QStringLiteral("sqlserver");
        case Engine::PostgreSql:
            return QStringLiteral("postgresql");
        }
        return QString();
    }

    // Runs a row-returning statement and returns every row.
    virtual QueryResult query(const SqlStatement &statement) = 0;

    // Runs a statement without rows; returns the number of rows affected.
    virtual qint64 execute(const SqlStatement &statement) = 0;

    // Names of the user tables and views, system tables excluded, catalogue order.
    virtual QStringList tableNames() = 0;

    // The current date and time as the database sees it.
    virtual QDateTime currentDateTime() = 0;

    // Statements between begin and commit take effect together or not at all;
    // a rollback (or a failure, a kill, a lost server) undoes every one of them.
    // Use the Transaction guard rather than calling these directly.
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;

    // The local database file this connection works on (absolute); empty for a server.
    virtual QString filePath() const = 0;
};
