#pragma once

#include <QList>
#include <QString>

// A small scanner over SQL text that knows string literals ('it''s'),
// double-quoted and bracketed names and parenthesis depth, so that rewrites
// only touch the statement's own keywords and operators.
namespace SqlScan {

// For every character of sql: true when it lies inside a literal or a quoted name.
QList<bool> quotedMask(const QString &sql);

// For every character of sql: the parenthesis depth outside literals (0 at top level).
QList<int> depths(const QString &sql);

// Position of the last top-level, unquoted occurrence of the keyword (whole
// word, any case), or -1.
qsizetype lastTopLevelKeyword(const QString &sql, const QString &keyword);

// Splits text on top-level, unquoted commas.
QList<QString> splitTopLevel(const QString &text, QChar separator = QLatin1Char(','));

} // namespace SqlScan
