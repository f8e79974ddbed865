#pragma once

#include <QString>

// The plain form of table names, and reading a quoted one back. A name goes
// into a statement only through TableName::sql(), so it can only ever name
// its own table, whatever characters it holds.
namespace SqlName {

// Letters (CJK characters included), ASCII digits and underscores, not
// starting with a digit: a name every engine takes unquoted, as written.
bool isPlain(const QString &name);

// The name a quoted name stands for ("a""b" -> a"b, [a]]b] -> a]b); other text as it is.
QString unquoted(const QString &text);

} // namespace SqlName
