#pragma once

#include <QStringList>

struct sqlite3;

// SQLite's full integrity_check on the main database of an open connection.
// Any thread, one connection at a time.
namespace SqliteIntegrity {

// The first problems the check reports (at most `max`); empty when the
// database is whole. A check that cannot run at all reports SQLite's error.
QStringList problems(sqlite3 *handle, int max = 3);

} // namespace SqliteIntegrity
