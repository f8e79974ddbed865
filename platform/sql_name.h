#pragma once

#include <QString>

#include "platform/database.h"

// Table names as they stand in statement texts. Names come from the
// catalogue, from lists, and from what an administrator typed; a name can
// only ever name its own table, whatever characters it holds.
namespace SqlName {

// Letters (CJK characters included), ASCII digits and underscores, not
// starting with a digit: a name every engine takes unquoted, as written.
bool isPlain(const QString &name);

// The name for a statement on the engine: a plain name as written, any other quoted by the engine's
// rules ([...] on SQL Server, "..." elsewhere, the closing quote doubled).
// Throws AppError naming it for a name no statement may carry (empty, or
// holding control characters).
QString quoted(Database::Engine engine, const QString &name);
QString quoted(const Database &db, const QString &name);

// The name a quoted name stands for ("a""b" -> a"b, [a]]b] -> a]b); other text as it is.
QString unquoted(const QString &text);

} // namespace SqlName
