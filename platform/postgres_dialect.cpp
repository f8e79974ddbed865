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

// Replaces every match of the pattern that starts outside literals and quoted names.
QString replaceUnquoted(const QString &sql, const RE &pattern, const QString &with)
{
    const QList<bool> quoted = SqlScan::quotedMask(sql);
    QString out;
    qsizetype last = 0;
    for (auto it = pattern.globalMatch(sql); it.hasNext();) {
        const auto m = it.next();
        if (quoted[m.capturedStart()])
            continue;
        out += sql.mid(last, m.capturedStart() - last);
        out += with;
        last = m.capturedEnd();
    }
    out += sql.mid(last);
    return out;
}

// T-SQL '+' joining text: a '+' next to a text literal becomes '||'.
QString textConcatenation(const QString &sql)
{
    const QList<bool> quoted = SqlScan::quotedMask(sql);
    QString out;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (quoted[i] || sql.at(i) != QLatin1Char('+')) {
            out += sql.at(i);
            continue;
        }
        qsizetype l = i - 1;
        while (l >= 0 && sql.at(l).isSpace())
            --l;
        qsizetype r = i + 1;
        while (r < sql.size() && sql.at(r).isSpace())
            ++r;
        const bool leftLiteral = l >= 0 && quoted[l] && sql.at(l) == QLatin1Char('\'');
        const bool rightLiteral = r < sql.size() && quoted[r] && sql.at(r) == QLatin1Char('\'');
        out += (leftLiteral || rightLiteral) ? QStringLiteral("||") : QStringLiteral("+");
    }
    return out;
}

// Where the top-level ORDER BY of a statement starts and its terms begin, or -1.
struct OrderByPosition
{
    qsizetype order = -1;
    qsizetype terms = -1;
};

OrderByPosition findOrderBy(const QString &sql)
{
    static const RE orderBy(QStringLiteral(R"(order\s+by\s)"), kOptions);
    const qsizetype by = SqlScan::lastTopLevelKeyword(sql, QStringLiteral("by"));
    const qsizetype order = SqlScan::lastTopLevelKeyword(sql, QStringLiteral("order"));
    if (order < 0 || by < order)
        return {};
    const auto m = orderBy.match(sql, order);
    if (!m.hasMatch() || m.capturedStart() != order)
        return {};
    return {order, m.capturedEnd()};
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
    static const RE cloneEmpty(
        QStringLiteral(R"(^\s*select\s+\*\s+into\s+(\S+)\s+from\s+(\S+)\s+where\s+1\s*<>\s*1\s*;?\s*$)"), kOptions);
    if (const auto m = cloneEmpty.match(tsql); m.hasMatch())
        return QStringLiteral("create table %1 (like %2 including all)").arg(m.captured(1), m.captured(2));

    static const RE dropIfExists(
        QStringLiteral(R"(^\s*if\s+exists\s*\(\s*select\s+\*\s+from\s+sysobjects\s+where\s+name\s*=\s*'(?:[^']|'')*'\s*\)\s*drop\s+table\s+(\S+?)\s*;?\s*$)"),
        kOptions);
    if (const auto m = dropIfExists.match(tsql); m.hasMatch())
        return QStringLiteral("drop table if exists ") + m.captured(1);

    static const RE dbo(QStringLiteral(R"((?<![\w.])dbo\.)"), kOptions);
    static const RE len(QStringLiteral(R"((?<![\w.])len\s*\()"), kOptions);
    static const RE getDate(QStringLiteral(R"((?<![\w.])getdate\s*\(\s*\))"), kOptions);
    QString sql = replaceUnquoted(tsql, dbo, QString());
    sql = replaceUnquoted(sql, len, QStringLiteral("pg_temp.len("));
    sql = replaceUnquoted(sql, getDate, QStringLiteral("localtimestamp"));
    return textConcatenation(sql);
}

QString PostgresDialect::collateOrderBy(const QString &sql, const QString &collation, const QList<ResultColumn> &columns)
{
    const OrderByPosition at = findOrderBy(sql);
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
    const OrderByPosition at = findOrderBy(sql);
    if (at.order < 0)
        return sql;
    // Which ORDER BY terms are text is learnt from the result's own columns.
    // A statement that does not even describe goes on unchanged and fails
    // with the server's message.
    QSqlQuery describe(db);
    if (!describe.exec(QStringLiteral("select * from (") + withoutTrailingSemicolons(sql.left(at.order))
                       + QStringLiteral(") tavro_d limit 0")))
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
    QFile file(QStringLiteral(":/sql/fn_ValidateIDC.postgres.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("the script of fn_ValidateIDC for PostgreSQL is missing from the program"));
    return QString::fromUtf8(file.readAll());
}
