#pragma once

#include <QString>

struct sqlite3;

// How the local file lies while no connection has it open. Connections of
// this program write in write-ahead-log mode and the last one to close
// returns the file to rollback-journal mode, so that a reader finding the file
// alone reads it under SQLite's shared lock without making a -wal or -shm
// beside it. Used from the user-interface thread only.
namespace SqliteAtRest {

// The file's header names write-ahead logging (a file of an earlier version
// of this program, or one whose last connection could not switch back).
bool walHeader(const QString &absolutePath);

// Nobody can write the file: it lies on a read-only file system or has no
// write permission for anyone. Only such a file is read without locks.
bool nobodyCanWrite(const QString &absolutePath);

// Switches a file that nobody has open back to rollback-journal mode through
// a brief connection of its own (SQLite makes and removes its -wal and -shm
// on the way), rolling back a crash's -journal and removing one that is left
// but not hot. False when the file or its folder is not writable here or
// another connection appeared.
bool returnToRollbackMode(const QString &absolutePath);

// For a writing connection that is about to close: switches the file back to
// rollback-journal mode when no other connection has it open (without
// waiting); otherwise the last of those does.
void leaveInRollbackMode(sqlite3 *handle);

} // namespace SqliteAtRest
