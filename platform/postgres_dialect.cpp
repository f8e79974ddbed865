#include "postgres_dialect.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include "platform/app_error.h"
#include "platform/sql_scan.h"
#include "platform/sql_scripts.h"
#include "platform/tsql_rewrites.h"

namespace {

using RE = QRegularExpression;
constexpr auto kOptions = RE::CaseInsensitiveOption | RE::UseUnicodePropertiesOption;

// Type oids of the server's text types (text, varchar, char, name).
bool isTextType(int oid)
{
    return oid == 25 || oid == 1043 || oid == 1042 || oid == 19;
}

QString errorText(const QSqlError &e)
{
    const QString text = e.databaseText().trimmed();
    return PostgresDialect().messageText(text.isEmpty() ? e.text().trimmed() : text);
}

void run(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DatabaseError(errorText(q.lastError()));
}

bool isSelect(const QString &sql)
{
    const QString t = sql.trimmed();
    return t.startsWith(QLatin1Char('(')) || t.startsWith(QLatin1String("select"), Qt::CaseInsensitive);
}

QString withoutTrailingSemicolons(QString sql)
{
    while (!sql.isEmpty() && (sql.back().isSpace() || sql.back() == QLatin1Char(';')))
        sql.chop(1);
    return sql;
}

} // namespace

QString PostgresDialect::rewriteText(const QString &tsql)
{
    // A function's body is the server's own language: leave it alone.
    static const RE createRoutine(
        QStringLiteral(R"(^(?:\s*--[^\n]*\n)*\s*create\s+(?:or\s+replace\s+)?(?:function|procedure)\b)"), kOptions);
    if (createRoutine.match(tsql).hasMatch())
        return tsql;

    // "Select * into T from S where 1 <> 1": T takes S's columns, defaults,
    // keys and identity; the identity gets its own sequence.
    if (const auto clone = TsqlRewrites::cloneEmpty(tsql))
        return QStringLiteral("create table %1 (like %2 including all)").arg(clone->target, clone->source);

    if (const auto drop = TsqlRewrites::dropTableIfExists(tsql))
        return *drop;

    static const RE dbo(QStringLiteral(R"((?<![\w.])dbo\.)"), kOptions);
    static const RE len(QStringLiteral(R"((?<![\w.])len\s*\()"), kOptions);
    static const RE getDate(QStringLiteral(R"((?<![\w.])getdate\s*\(\s*\))"), kOptions);
    QString sql = TsqlRewrites::replaceUnquoted(tsql, dbo, QString());
    sql = TsqlRewrites::replaceUnquoted(sql, len, QStringLiteral("pg_temp.len("));
    sql = TsqlRewrites::replaceUnquoted(sql, getDate, QStringLiteral("localtimestamp"));
    return TsqlRewrites::textConcatenation(sql);
}

QString PostgresDialect::collateOrderBy(const QString &sql, const QString &collation, const QList<ResultColumn> &columns)
{
    const TsqlRewrites::OrderByPosition at = TsqlRewrites::findOrderBy(sql);
    if (at.order < 0 || collation.isEmpty())
        return sql;
    static const RE direction(QStringLiteral(R"(\s+(?:asc|desc)(?:\s+nulls\s+(?:first|last))?$|\s+nulls\s+(?:first|last)$)"),
                              kOptions);
    static const RE columnName(QStringLiteral(R"(^(?:[^\s.()'"]+\.)?([^\s.()'",]+)$)"), kOptions);
    struct Term
    {
        QString expression;
        QString direction;
        int column = -1; // index into columns, -1 when the term names none
    };
    QList<Term> terms;
    bool anyText = false;
    bool allColumns = true;
    for (QString text : SqlScan::splitTopLevel(sql.mid(at.terms))) {
        text = withoutTrailingSemicolons(text).trimmed();
        Term term;
        if (const auto d = direction.match(text); d.hasMatch()) {
            term.direction = text.mid(d.capturedStart());
            text.truncate(d.capturedStart());
        }
        term.expression = text;
        bool isNumber = false;
        const int position = text.toInt(&isNumber);
        if (text.contains(QLatin1String("collate"), Qt::CaseInsensitive)) {
            term.column = -1;
        } else if (isNumber) {
            term.column = position >= 1 && position <= columns.size() ? position - 1 : -1;
        } else if (const auto c = columnName.match(text); c.hasMatch()) {
            for (int i = 0; i < columns.size() && term.column < 0; ++i) {
                if (columns.at(i).name.compare(c.captured(1), Qt::CaseInsensitive) == 0)
                    term.column = i;
            }
        }
        allColumns = allColumns && term.column >= 0;
        anyText = anyText || (term.column >= 0 && columns.at(term.column).isText);
        terms << term;
    }
    if (!anyText)
        return sql;
    const QString collate = QStringLiteral(" collate ") + collation;
    QStringList out;
    if (allColumns) {
        // PostgreSQL takes only bare result names (no expression such as a
        // COLLATE) when ordering a compound select or by a column alias: the
        // statement is ordered from outside, by the result's own names.
        for (const Term &t : terms) {
            const ResultColumn &c = columns.at(t.column);
            QString name = c.name;
            name.replace(QLatin1Char('"'), QLatin1String("\"\""));
            out << QLatin1Char('"') + name + QLatin1Char('"') + (c.isText ? collate : QString()) + t.direction;
        }
        return QStringLiteral("select * from (") + withoutTrailingSemicolons(sql.left(at.order)).trimmed()
            + QStringLiteral(") tavro_u order by ") + out.join(QStringLiteral(", "));
    }
    // Some term is no result column: only the named text columns of the
    // tables can take the collation where they stand.
    for (const Term &t : terms) {
        const bool text = t.column >= 0 && columns.at(t.column).isText && !t.expression.isEmpty()
            && !t.expression.at(0).isDigit();
        out << t.expression + (text ? collate : QString()) + t.direction;
    }
    return sql.left(at.terms) + out.join(QStringLiteral(", "));
}

QString PostgresDialect::rewrite(const QString &tsql, QSqlDatabase &db)
{
    const QString sql = rewriteText(tsql);
    if (m_pinyin.isEmpty() || !isSelect(sql))
        return sql;
    const TsqlRewrites::OrderByPosition at = TsqlRewrites::findOrderBy(sql);
    if (at.order < 0)
        return sql;
    // Which ORDER BY terms are text is learnt from the result's own columns.
    // A statement that does not even describe goes on unchanged and fails
    // with the server's message.
    // A value's placeholder stands as NULL there: the description is run as
    // text, and a failed one would spoil a transaction the statement is part of.
    QString selected = withoutTrailingSemicolons(sql.left(at.order));
    const QList<bool> quoted = SqlScan::quotedMask(selected);
    for (qsizetype i = selected.size() - 1; i >= 0; --i) {
        if (selected.at(i) == QLatin1Char('?') && !quoted.at(i))
            selected.replace(i, 1, QStringLiteral("NULL"));
    }
    QSqlQuery describe(db);
    if (!describe.exec(QStringLiteral("select * from (") + selected + QStringLiteral(") tavro_d limit 0")))
        return sql;
    const QSqlRecord record = describe.record();
    QList<ResultColumn> columns;
    for (int i = 0; i < record.count(); ++i)
        columns.append({record.fieldName(i), isTextType(record.field(i).typeID())});
    return collateOrderBy(sql, m_pinyin, columns);
}

void PostgresDialect::prepareConnection(QSqlDatabase &db)
{
    // Values are written into the text with quotes doubled: a backslash must
    // stay an ordinary character.
    run(db, QStringLiteral("set standard_conforming_strings = on"));
    run(db, QStringLiteral("set client_min_messages = warning"));

    // Session objects live in pg_temp: nothing is added to the school's database.
    QSqlQuery q(db);
    m_pinyin.clear();
    if (q.exec(QStringLiteral("create collation if not exists pg_temp.tavro_pinyin "
                              "(provider = icu, locale = 'zh-u-co-pinyin')")))
        m_pinyin = QStringLiteral("pg_temp.tavro_pinyin");
    // Object names compare as on a case-insensitive server, so that
    // 'fn_ValidateIDC' finds the function PostgreSQL stored as fn_validateidc.
    const bool nocase = q.exec(QStringLiteral("create collation if not exists pg_temp.tavro_nocase "
                                              "(provider = icu, locale = 'und-u-ks-level2', deterministic = false)"));
    const QString nameCollation = nocase ? QStringLiteral(" collate pg_temp.tavro_nocase") : QString();

    run(db, QStringLiteral("create or replace function pg_temp.len(text) returns integer "
                           "language sql immutable as $$ select char_length(rtrim($1, ' ')) $$"));
    const QString userSchemas = QStringLiteral(
        "(select n.oid from pg_catalog.pg_namespace n where n.nspname = any (pg_catalog.current_schemas(false)))");
    run(db, QStringLiteral("create or replace temp view sysobjects as "
                           "select c.relname::text%1 as name, "
                           "(case when c.relkind in ('v', 'm') then 'V' else 'U' end)::text as xtype, c.oid::bigint as id "
                           "from pg_catalog.pg_class c where c.relkind in ('r', 'p', 'v', 'm', 'f') and c.relnamespace in %2 "
                           "union all "
                           "select p.proname::text%1, 'FN', p.oid::bigint "
                           "from pg_catalog.pg_proc p where p.pronamespace in %2")
                .arg(nameCollation, userSchemas));
}

QStringList PostgresDialect::tableNames(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral(
            "select c.relname from pg_catalog.pg_class c "
            "where c.relkind in ('r', 'p', 'v', 'm', 'f') and c.relnamespace in "
            "(select n.oid from pg_catalog.pg_namespace n where n.nspname = any (pg_catalog.current_schemas(false))) "
            "order by c.oid")))
        throw DatabaseError(errorText(q.lastError()));
    QStringList names;
    while (q.next()) {
        // The server keeps the unquoted template names in lower case; they are
        // listed as the program names them.
        const QString name = q.value(0).toString();
        if (name == QLatin1String("init1"))
            names << QStringLiteral("Init1");
        else if (name == QLatin1String("init2"))
            names << QStringLiteral("Init2");
        else
            names << name;
    }
    return names;
}

QDateTime PostgresDialect::currentDateTime(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select localtimestamp")) || !q.next())
        throw DatabaseError(errorText(q.lastError()));
    return q.value(0).toDateTime();
}

QString PostgresDialect::messageText(const QString &engineText) const
{
    static const RE severity(QStringLiteral(R"(^(?:ERROR|FATAL|PANIC):\s+)"));
    const auto m = severity.match(engineText);
    if (!m.hasMatch())
        return engineText;
    return engineText.mid(m.capturedEnd()).section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString PostgresDialect::idCheckFunctionScript()
{
    return SqlScripts::idCheckFunction(Database::Engine::PostgreSql);
}
