#pragma once

#include <optional>

#include <QStringList>

class Database;

// Copies the rows of several tables into one new table made from Init2, whose
// automatically numbered id numbers the merged rows afresh.
// Used from the user-interface thread only.
namespace TableMerge {

// The default name of the merged table.
QString defaultTarget();

// Why the (trimmed) target cannot take the merge, as a message for the user;
// empty when it can. Refused: an empty name; a name that is not a plain
// identifier (letters, digits, CJK characters and underscores, not starting
// with a digit); Init1 and Init2; the program's own tables (tavro_…); one of the tables being merged; a name
// beginning with 高, 初 or 小 (it would be taken for a class table).
QString refusal(const QString &target, const QStringList &tables);

// Init2's column names joined by "," without a leading id column.
QString mergeColumnList(const QStringList &init2Columns);

// The rows of the table the (trimmed) target names, when there is one.
std::optional<qint64> existingRows(Database &db, const QString &target);

// The window's Yes/No question before an existing target is replaced.
QString replaceQuestion(const QString &target, qint64 rows);

// In one transaction: drops the table named target when it exists (refused
// with AppError unless replaceExisting), re-creates it empty from Init2 and
// inserts the rows of every table, top to bottom; then commits. Returns the
// number of tables merged. Throws AppError with the refusal when refusal()
// is not empty (nothing is run then), DatabaseError at the first failing
// statement: the transaction is rolled back and every table is as it was.
int mergeTables(Database &db, const QStringList &tables, const QString &target, bool replaceExisting);

// "已合并 N 个表。"
QString resultMessage(int count);

} // namespace TableMerge
