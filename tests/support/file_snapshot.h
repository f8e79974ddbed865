#pragma once

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QMap>

// Every file under a folder (hidden ones and subfolders included) with its size
// and a hash of its bytes: equal snapshots before and after show that an action
// changed nothing.
inline QMap<QString, QByteArray> folderSnapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        files.insert(path.mid(folder.size() + 1),
                     QByteArray::number(bytes.size()) + ' ' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    }
    return files;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
