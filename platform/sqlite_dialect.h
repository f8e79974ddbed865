#pragma once

#include "platform/sql_dialect.h"

// The local file: SQLite with the T-SQL constructs the program uses mapped onto
// it. Registers len(), GetDate() and a pinyin collation on every connection,
// adds a temporary sysObjects view, and rewrites SELECT INTO, IF EXISTS ...
// DROP TABLE, text '+', parenthesised UNION ALL members and ORDER BY (pinyin).
class SqliteDialect final : public SqlDialect
{
public:
    Database::Engine engine() const override { return Database::Engine::Sqlite; }
    void prepareConnection(QSqlDatabase &db) override;
    QString rewrite(const QString &tsql, QSqlDatabase &db) override;
    QStringList tableNames(QSqlDatabase &db) override;
    QDateTime currentDateTime(QSqlDatabase &db) override;

    // The pure text rewrites (no catalogue needed); public for tests.
    static QString rewriteText(const QString &tsql);
};
