#pragma once

#include <QList>
#include <QStringList>

class Database;

// The lists of the management window: every table and view of the database,
// which of them are preselected as class tables, and the students of one table
// as record items. Used from the user-interface thread only.
namespace TableLists {

// Names of all user tables and views, in the catalogue's order, unsorted; the
// program's own tables (settings, history, records taken out) are not listed.
QStringList tableNames(Database &db);

// For each name: selected exactly when it begins with 高, 初 or 小.
QList<bool> classTableSelection(const QStringList &names);
// The names among them that are class tables, in their order.
QStringList classTables(const QStringList &names);

// The listed name that the typed text stands for (table names compare without
// regard to case), or an empty string when the text names no listed table.
QString listedName(const QStringList &names, const QString &typed);

// The students of a table as record items, ordered by 姓名 as the database
// orders names. The table name goes into the statement as given, so callers
// pass only names taken from tableNames().
QStringList recordItems(Database &db, const QString &table);

// The hint when an operation on the chosen tables is asked for with none chosen.
QString chooseTablesFirstText();

} // namespace TableLists
