#pragma once

#include <memory>

#include "platform/database.h"
#include "platform/sql_dialect.h"

// Server settings from config.ini, section Settings.
struct ServerSettings
{
    QString server;
    QString database;
    QString user;
    QString password;
    QString driver; // ODBC driver name
};

// Database on Qt SQL: one named connection, statements rewritten by the
// engine's dialect. Used from the user-interface thread only.
class SqlDatabase final : public Database
{
public:
    ~SqlDatabase() override;

    // Opens an existing SQLite file (or creates it when create is true).
    // Throws DatabaseError when it does not open or is no SQLite database.
    static std::unique_ptr<SqlDatabase> openSqlite(const QString &path, bool create);

    // SQL Server through ODBC; throws DatabaseError when it does not open.
    static std::unique_ptr<SqlDatabase> openSqlServer(const ServerSettings &settings);

    QString engine() const override;
    QueryResult query(const QString &sql) override;
    qint64 execute(const QString &sql) override;
    QStringList tableNames() override;
    QDateTime currentDateTime() override;

    // The text the engine runs for a T-SQL statement.
    QString engineText(const QString &tsql);

    SqlDatabase(const QString &driver, std::unique_ptr<SqlDialect> dialect);

private:
    QString m_connectionName;
    std::unique_ptr<SqlDialect> m_dialect;
};
