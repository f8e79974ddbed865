#include "owner_only.h"

#include <cerrno>

#include <sys/stat.h>
#include <sys/types.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace OwnerOnly {

void restrictProcess()
{
    ::umask(077);
}

bool makeFolder(const QString &path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(absolute).isDir())
        return true;
    const QString parent = QFileInfo(absolute).absolutePath();
    if (parent != absolute && !makeFolder(parent))
        return false;
    const QByteArray name = QFile::encodeName(absolute);
    if (::mkdir(name.constData(), kFolderMode) != 0)
        return errno == EEXIST && QFileInfo(absolute).isDir(); // made by another process meanwhile
    // A umask that took the owner's own bits away is undone; others get none.
    ::chmod(name.constData(), kFolderMode);
    return true;
}

bool restrictNewFile(const QString &path)
{
    return ::chmod(QFile::encodeName(path).constData(), kFileMode) == 0;
}

} // namespace OwnerOnly
