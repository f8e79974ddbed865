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

// "1.2 MB", "830 KB".
QString sizeText(qint64 bytes);

} // namespace BackupList
