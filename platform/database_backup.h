#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class SqlDatabase;

// Backups of the local database file and restoring one. A backup is made with
// SQLite's online backup from an open connection (a consistent copy, log
// included) into a temporary file in the target's folder, renamed into place
// when complete once it passed integrity_check; it never replaces an existing
// file. Automatic and default
// backups go to the folder 备份 beside the database as tavro-YYYYMMDD-HHMMSS.db,
// the newest kKept of them kept. Failures throw AppError (DatabaseError or
// FileError) with a Chinese text and the system's own on a second line.
// Used from the user-interface thread only.
namespace DatabaseBackup {

inline constexpr int kKept = 30;

// <folder of dbPath>/备份
QString folderFor(const QString &dbPath);

// Copies the open local database into target, which must not exist yet.
void copyTo(SqlDatabase &source, const QString &target);

// The same consistent, checked copy written into an empty file the caller
// made and removes again (the plain temporary an encrypted copy is made from).
void copyInto(SqlDatabase &source, const QString &emptyFile);

// A new backup in the backup folder named after `now`; older ones beyond kKept
// are removed. Returns its path.
QString intoFolder(SqlDatabase &source, const QDateTime &now);

// The first start of a day: a backup is made when the backup folder holds none
// of now's date. Returns its path, or an empty string when one existed.
QString daily(SqlDatabase &source, const QDateTime &now);

// A backup of the folder: its file, the time in its name, its size in bytes.
struct Listed
{
    QString path;
    QDateTime time;
    qint64 size = 0;
};
// The backups of the folder (only files named as backups), newest first.
QList<Listed> list(const QString &folder);

// Removes the oldest backups of the folder (only files named as backups are
// counted) until `keep` are left; `justWritten`, when given, is never removed
// and counts as one of them.
void prune(const QString &folder, int keep = kKept, const QString &justWritten = QString());

// "tavro backup": backs up the database file dbPath, read-only, into `into`
// (a new file; not the database or its -wal/-shm) or, when empty, into the
// backup folder. Returns the backup's path.
QString backupFile(const QString &dbPath, const QString &into, const QDateTime &now);

// "tavro restore": checks that `from` is a database of this program and whole
// (integrity_check), takes the exclusive lock on dbPath, backs it up into its
// backup folder (a copy that passes integrity_check, or the bytes of a file
// that is damaged itself), then copies `from` into it in one transaction. A
// file that does not open is replaced by a rename instead, its stale -wal,
// -shm and -journal removed first. A refused restore leaves every file as it
// was. Returns the backup of the old file (empty when there was none).
QString restore(const QString &from, const QString &dbPath, const QDateTime &now);

} // namespace DatabaseBackup
