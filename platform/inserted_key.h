#pragma once

#include <QtGlobal>

class Database;

// The key the engine gave the row this connection inserted last into a table
// with an automatically numbered key (SQLite's rowid, an identity column).
// Call right after the insert, in the same transaction.
qint64 lastInsertedKey(Database &db);
