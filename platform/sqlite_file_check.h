#pragma once

#include <memory>

#include <QString>

class QTemporaryDir;
struct sqlite3;

// Looks at a local database file before any connection may write to it: is it
// a database of this program, is it open elsewhere, and does a -wal lying
// beside it belong to it? Nothing here writes beside the file; every refusal
// throws DatabaseError with a Chinese text naming the file (the engine's own
// text, where there is one, on a second line). Used from the user-interface
// thread only.
namespace SqliteFileCheck {

struct Checked
{
    // Another connection (this process or another one) has the file open: its
    // -wal is live and belongs to it, and the file alone may lag behind it, so
    // the template table is looked for through the new connection instead.
    bool live = false;
    // A -wal (or a rollback -journal) left by a crash lay beside the file and
    // passed the checks: a private copy of the two with the log replayed (or
    // rolled back) into it, for reading without writing.
    std::shared_ptr<QTemporaryDir> replayedDir;
    QString replayedPath;
};

// Refuses an empty file, a file that is not SQLite, a SQLite file without the
// template table Init2, and a file whose non-empty -wal does not belong to it
// (replayed on a copy, it damages the copy or loses Init2 or class tables or
// rows). The file is judged together with its log: a crash's own -wal passes
// even when the file alone is half written (a checkpoint cut off), as long as
// the replayed copy is whole; so does a crash's rollback -journal whose rolled
// back copy is whole. Throws DatabaseError.
// `lockedHere`: the caller holds the file's exclusive lock itself, so nobody
// else has it open whatever the locks say.
Checked validate(const QString &absolutePath, bool lockedHere = false);

// A new database may be made at the path: nothing is there, nor a -wal
// that the new file would swallow or drop. Throws DatabaseError.
void requireNew(const QString &absolutePath);

// True when another connection has the file open (in this process or in
// another one), so it must not be replaced and its -wal is live.
bool inUse(const QString &absolutePath);

// True when the file starts with SQLite's 16-byte header.
bool hasSqliteHeader(const QString &absolutePath);

// Does the database behind an open SQLite handle hold a table Init2 (any case)?
bool hasTemplateTable(sqlite3 *handle);

// "file:...?immutable=1": the file read as it lies, without locks, without its
// -wal and without making any file beside it.
QByteArray immutableUri(const QString &absolutePath);

// The refusal text for a file that is not a database of this program.
QString notOursText(const QString &absolutePath, const QString &reason, const QString &engineText = QString());

// Connections of this process record the files they hold, so that a probe
// never opens (and by closing, unlocks) a file that this process has open.
// noteOpened returns the key to hand to noteClosed.
QString noteOpened(const QString &absolutePath);
void noteClosed(const QString &key);

} // namespace SqliteFileCheck
