#pragma once

#include <optional>

#include <QRegularExpression>
#include <QString>

// Rewrites of T-SQL constructs that more than one engine lacks, shared by the
// dialects. Each touches only the statement's own text, never literals or
// quoted names.
namespace TsqlRewrites {

// Replaces every match of the pattern that starts outside literals and quoted names.
QString replaceUnquoted(const QString &sql, const QRegularExpression &pattern, const QString &with);

// A '+' next to a text literal joins text: it becomes '||'.
QString textConcatenation(const QString &sql);

// "if exists(select * from sysObjects where name = 'T') drop table T" as
// "drop table if exists T"; nothing for any other statement.
std::optional<QString> dropTableIfExists(const QString &sql);

// "Select * into T from S where 1 <> 1": the target and the source.
struct CloneEmpty
{
    QString target;
    QString source;
};
std::optional<CloneEmpty> cloneEmpty(const QString &sql);

// Where the statement's top-level ORDER BY starts and where its terms begin.
struct OrderByPosition
{
    qsizetype order = -1;
    qsizetype terms = -1;
};
OrderByPosition findOrderBy(const QString &sql);

} // namespace TsqlRewrites
