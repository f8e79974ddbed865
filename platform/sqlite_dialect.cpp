#include "sqlite_dialect.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include "platform/app_error.h"
#include "platform/sql_name.h"
#include "platform/sql_scan.h"
#include "platform/sqlite_failure_text.h"
#include "platform/sqlite_functions.h"
#include "platform/tsql_rewrites.h"

namespace {

using RE = QRegularExpression;
constexpr auto kCi = QRegularExpression::CaseInsensitiveOption;

// "(select ...) union all (select ...) order by x": SQLite does not take
// parenthesised members of a compound select, nor one parenthesised select
// followed by ORDER BY (a union built over a single table).
QString unwrapUnionMembers(const QString &sql)
{
    if (SqlScan::lastTopLevelKeyword(sql, QStringLiteral("union")) < 0 && !sql.trimmed().startsWith(QLatin1Char('(')))
        return sql;
    const QList<bool> quoted = SqlScan::quotedMask(sql);
    const QList<int> depth = SqlScan::depths(sql);
    QList<bool> drop(sql.size(), false);
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (quoted[i] || depth[i] != 0 || sql.at(i) != QLatin1Char('('))
            continue;
        const QString before = sql.left(i).trimmed();
        const bool memberStart = before.isEmpty() || before.endsWith(QLatin1String("all"), Qt::CaseInsensitive)
            || before.endsWith(QLatin1String("union"), Qt::CaseInsensitive);
        const bool isSelect = sql.mid(i + 1).trimmed().startsWith(QLatin1String("select"), Qt::CaseInsensitive);
        if (!memberStart || !isSelect)
            continue;
        for (qsizetype j = i + 1; j < sql.size(); ++j) {
            if (!quoted[j] && depth[j] == 0 && sql.at(j) == QLatin1Char(')')) {
                drop[i] = drop[j] = true;
                break;
            }
        }
    }
    QString out;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (!drop[i])
            out += sql.at(i);
        else
            out += QLatin1Char(' ');
    }
    return out;
}

// ORDER BY terms compare text by pinyin, as a Chinese-collation server does.
QString pinyinOrder(const QString &sql)
{
    const auto orderBy = TsqlRewrites::findOrderBy(sql);
    if (orderBy.order < 0)
        return sql;
    static const RE direction(QStringLiteral(R"(\s+(asc|desc)\s*$)"), kCi);
    QStringList terms;
    for (QString term : SqlScan::splitTopLevel(sql.mid(orderBy.terms))) {
        QString trailing;
        while (!term.isEmpty() && (term.back().isSpace() || term.back() == QLatin1Char(';'))) {
            trailing.prepend(term.back());
            term.chop(1);
        }
        if (term.contains(QLatin1String("collate"), Qt::CaseInsensitive)) {
            terms << term + trailing;
            continue;
        }
        QString dir;
        const auto d = direction.match(term);
        if (d.hasMatch()) {
            dir = term.mid(d.capturedStart());
            term.truncate(d.capturedStart());
        }
        terms << term + QStringLiteral(" collate ") + QLatin1String(SqliteFunctions::kPinyinCollation) + dir + trailing;
    }
    return sql.left(orderBy.terms) + terms.join(QLatin1Char(','));
}

void throwIfFailed(const QSqlQuery &q)
{
    const QSqlError e = q.lastError();
    if (e.isValid())
        throw DatabaseError(SqliteFailureText::explain(e.nativeErrorCode(), e.databaseText().isEmpty() ? e.text() : e.databaseText()));
}

} // namespace

QString SqliteDialect::rewriteText(const QString &tsql)
{
    if (const auto drop = TsqlRewrites::dropTableIfExists(tsql))
        return *drop;
    static const RE dbo(QStringLiteral(R"(\bdbo\.)"), kCi);
    QString sql = TsqlRewrites::replaceUnquoted(tsql, dbo, QString());
    sql = unwrapUnionMembers(sql);
    sql = TsqlRewrites::textConcatenation(sql);
    sql = pinyinOrder(sql);
    return sql;
}

QString SqliteDialect::rewrite(const QString &tsql, QSqlDatabase &db)
{
    // "Select * into T from S where 1 <> 1": T takes S's own column
    // definitions, so an automatically numbered id stays one.
    if (const auto clone = TsqlRewrites::cloneEmpty(tsql)) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("select sql from sqlite_master where type = 'table' and name = ? collate nocase"));
        q.addBindValue(SqlName::unquoted(clone->source));
        q.exec();
        throwIfFailed(q);
        if (!q.next())
            throw DatabaseError(QStringLiteral("no such table: ") + SqlName::unquoted(clone->source));
        static const RE header(
            QStringLiteral(R"(^\s*create\s+table\s+(?:if\s+not\s+exists\s+)?(?:"(?:[^"]|"")*"|\[[^\]]*\]|`[^`]*`|[^\s(]+)\s*\()"), kCi);
        QString create = q.value(0).toString();
        const auto h = header.match(create);
        if (!h.hasMatch())
            throw DatabaseError(QStringLiteral("cannot copy the structure of ") + clone->source);
        QString target = SqlName::unquoted(clone->target);
        target.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return QStringLiteral("CREATE TABLE \"%1\" (").arg(target) + create.mid(h.capturedEnd());
    }
    static const RE selectInto(QStringLiteral(R"(^\s*select\s+(.+?)\s+into\s+(\S+)\s+(from\s.*)$)"),
                               kCi | RE::DotMatchesEverythingOption);
    if (const auto m = selectInto.match(tsql); m.hasMatch()) {
        return QStringLiteral("create table %1 as select %2 %3")
            .arg(m.captured(2), m.captured(1), rewriteText(m.captured(3)));
    }
    return rewriteText(tsql);
}

void SqliteDialect::prepareConnection(QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw DatabaseError(QStringLiteral("the SQLite driver gives no connection handle"));
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.data());
    if (!connection)
        throw DatabaseError(QStringLiteral("the SQLite connection is not open"));
    SqliteFunctions::registerAll(connection);

    // Reading the catalogue tells a real database from any other file before
    // anything else is done with it.
    QSqlQuery q(db);
    q.exec(QStringLiteral("select count(*) from sqlite_master"));
    throwIfFailed(q);
    // sysObjects as T-SQL knows it: tables (U), views (V) and the ID check function.
    q.exec(QStringLiteral(
        "create temp view if not exists sysObjects as "
        "select name, case type when 'table' then 'U' else 'V' end as xtype, type "
        "from main.sqlite_master where type in ('table', 'view') and name not like 'sqlite!_%' escape '!' "
        "union all select 'fn_ValidateIDC', 'FN', 'function'"));
    throwIfFailed(q);
}

QStringList SqliteDialect::tableNames(QSqlDatabase &db)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("select name from main.sqlite_master where type in ('table', 'view') "
                          "and name not like 'sqlite!_%' escape '!' order by rowid"));
    throwIfFailed(q);
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QDateTime SqliteDialect::currentDateTime(QSqlDatabase &)
{
    return QDateTime::currentDateTime();
}
