#pragma once

#include <QDateTime>
#include <QStringList>

#include "platform/database.h"

class QSqlDatabase;

// How the T-SQL texts the program builds reach one engine: what to prepare on a
// fresh connection, how a text is rewritten, how tables are listed.
// SQL Server takes the texts unchanged; other engines rewrite the few
// constructs they lack. Used from the user-interface thread only.
class SqlDialect
{
public:
    virtual ~SqlDialect() = default;

    virtual Database::Engine engine() const = 0;

    // Called after every open of the connection (functions, collations and
    // helper views are per connection). Throws DatabaseError.
    virtual void prepareConnection(QSqlDatabase &db) = 0;

    // The statement the engine runs for one T-SQL text. Throws DatabaseError
    // when a construct needs the catalogue and the catalogue says no.
    virtual QString rewrite(const QString &tsql, QSqlDatabase &db) = 0;

    // User tables and views, catalogue order.
    virtual QStringList tableNames(QSqlDatabase &db) = 0;

    virtual QDateTime currentDateTime(QSqlDatabase &db) = 0;

    // The engine's message as the user is shown it.
    virtual QString messageText(const QString &engineText) const { return engineText; }
};

// SQL Server: the program's statements are T-SQL already.
class TsqlDialect final : public SqlDialect
{
public:
    Database::Engine engine() const override { return Database::Engine::SqlServer; }
    void prepareConnection(QSqlDatabase &) override {}
    QString rewrite(const QString &tsql, QSqlDatabase &) override { return tsql; }
    QStringList tableNames(QSqlDatabase &db) override;
    QDateTime currentDateTime(QSqlDatabase &db) override;
};
