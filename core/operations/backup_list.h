#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The backups of a local database as the management window lists them: each
// file's date and size, and what it holds (class tables and pupils), read
// through SQLite read-only. Used from the user-interface thread only.
namespace BackupList {

struct Entry
{
    QString path;
    QDateTime time;
    qint64 size = 0;
    int classes = -1; // -1: the file could not be read (see problem)
    qint64 pupils = 0;
    QString problem;
};

// The backups in the backup folder beside dbPath, newest first.
QList<Entry> read(const QString &dbPath);

// What one database copy holds (path and counts; size and time left empty).
Entry contentsOf(const QString &path);

// What a backup or restore line of the history says of the copy:
// "加密，2 个班级表，61 名学生".
QString historyText(const Entry &contents, bool encrypted);

// "1.2 MB", "830 KB".
QString sizeText(qint64 bytes);

} // namespace BackupList
