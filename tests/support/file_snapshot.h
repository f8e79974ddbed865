#pragma once

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QMap>

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every entry under a folder (hidden ones and subfolders included): a file's
// size and a hash of its bytes, a link's target, a folder's name. Equal
// snapshots before and after show that an action changed nothing.
inline QMap<QString, QByteArray> folderSnapshot(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString name = path.mid(folder.size() + 1);
        if (info.isSymLink()) {
            entries.insert(name, "link to " + info.symLinkTarget().toUtf8());
        } else if (info.isDir()) {
            entries.insert(name + QLatin1Char('/'), QByteArray());
        } else {
            const QByteArray bytes = readFile(path);
            entries.insert(name, QByteArray::number(bytes.size()) + ' '
                                     + QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
        }
    }
    return entries;
}
