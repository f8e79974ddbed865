#pragma once

#include <QList>

#include "platform/sql_dialect.h"

// A PostgreSQL server (10 or newer, built with ICU for pinyin order). The T-SQL
// texts the program builds are mapped onto it:
// - "Select * into T from S where 1 <> 1" becomes CREATE TABLE T (LIKE S
//   INCLUDING ALL): an identity id gets a sequence of its own;
// - "if exists(select * from sysObjects where name = 'T') drop table T" becomes
//   DROP TABLE IF EXISTS T;
// - len(x) calls a session function (characters, trailing blanks not counted),
//   GetDate() is the server's local time, "dbo." is dropped, '+' next to a text
//   literal becomes '||';
// - ORDER BY terms naming text columns get an ICU pinyin collation (the
//   result's columns and their types are learnt by describing the statement);
// - sysObjects is a session view of the tables, views and functions on the
//   search path, names compared without regard to case.
// Unquoted names are folded to lower case by PostgreSQL everywhere (a table
// created as Merged is listed as merged); Chinese names have no case and stay
// as written. The template tables are listed as Init1 and Init2 all the same.
// CREATE FUNCTION texts go to the server untouched.
class PostgresDialect final : public SqlDialect
{
public:
    Database::Engine engine() const override { return Database::Engine::PostgreSql; }
    void prepareConnection(QSqlDatabase &db) override;
    QString rewrite(const QString &tsql, QSqlDatabase &db) override;
    QStringList tableNames(QSqlDatabase &db) override;
    QDateTime currentDateTime(QSqlDatabase &db) override;
    // The server's primary message: "ERROR:  relation "x" does not exist" with
    // its statement excerpt, hints and SQLSTATE becomes relation "x" does not
    // exist. Other texts (connection failures) stay whole.
    QString messageText(const QString &engineText) const override;

    // The rewrites that need no catalogue; public for tests.
    static QString rewriteText(const QString &tsql);

    // One column of a result as the ORDER BY rewrite sees it.
    struct ResultColumn
    {
        QString name;
        bool isText = false;
    };
    // Adds the collation to every ORDER BY term naming a text column of the
    // result (by name or position). When every term names a result column the
    // statement becomes "select * from (<statement>) tavro_u order by ..." with
    // the result's own names (PostgreSQL takes no COLLATE on an alias or on a
    // compound select's column); otherwise text columns are collated where they
    // stand. Public for tests.
    static QString collateOrderBy(const QString &sql, const QString &collation, const QList<ResultColumn> &columns);

    // The script that creates fn_ValidateIDC on a PostgreSQL server (the
    // counterpart of the SQL Server script), UTF-8 text.
    static QString idCheckFunctionScript();

    // Name of the session's pinyin collation; empty when the server has no ICU.
    QString pinyinCollation() const { return m_pinyin; }

private:
    QString m_pinyin;
};
