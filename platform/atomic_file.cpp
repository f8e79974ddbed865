#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/app_error.h"
#include "platform/owner_only.h"

namespace AtomicFile {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The message for a write that failed with errno `error`: what happened and
// what to do, then the system's own text.
FileError writeFailure(int error, const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    QString first;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        first = QStringLiteral("磁盘空间不足，文件“%1”没有写入，原来的文件保持不变。请腾出磁盘空间后再试。").arg(shown(path));
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        first = QStringLiteral("文件夹“%1”不能写入（只读或没有权限），文件“%2”没有写入。请换一个可以写入的文件夹，或请管理员开放写入权限。")
                    .arg(shown(folder), shown(path));
        break;
    case ENOENT:
    case ENOTDIR:
        first = QStringLiteral("文件夹“%1”不存在，文件“%2”没有写入。请先建立这个文件夹或另选位置。").arg(shown(folder), shown(path));
        break;
    case EEXIST:
        first = QStringLiteral("文件“%1”已存在，没有被覆盖。请另选一个文件名。").arg(shown(path));
        break;
    case EISDIR:
        first = QStringLiteral("“%1”是一个文件夹，不能写成文件。请另选一个文件名。").arg(shown(path));
        break;
    default:
        first = QStringLiteral("写入文件“%1”失败，原来的文件保持不变。请检查磁盘后再试。").arg(shown(path));
        break;
    }
    return FileError(first + QLatin1Char('\n') + QString::fromLocal8Bit(std::strerror(error)));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// rename(2) that fails with EEXIST instead of replacing what lies at the target.
int renameNoReplace(const char *from, const char *to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    // A file system without the flag: a hard link fails when the name is taken.
    if (::link(from, to) != 0)
        return -1;
    ::unlink(from);
    return 0;
}

// The rename itself is made durable by flushing the folder (not every file system can; that is no failure).
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool occupied(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

StagedFile::StagedFile(const QString &target) : m_target(QFileInfo(target).absoluteFilePath())
{
    const QString folder = QFileInfo(m_target).absolutePath();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QLatin1String(kStalePrefix)
            + QStringLiteral("%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))
            + QLatin1String(kStaleSuffix);
        m_path = QFile::encodeName(QDir(folder).filePath(name));
        m_fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, OwnerOnly::kFileMode);
        if (m_fd < 0) {
            if (errno != EEXIST)
                break;
            continue;
        }
        // The lock says "its writer lives" to removeStale in other processes.
        // A cleaner that took the file between the open and the lock has
        // removed it: the name is given up and another one taken.
        struct stat st;
        if (::flock(m_fd, LOCK_EX) == 0 && ::fstat(m_fd, &st) == 0 && st.st_nlink > 0)
            return;
        ::close(m_fd);
        m_fd = -1;
    }
    throw writeFailure(errno, m_target);
}

StagedFile::~StagedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed)
        ::unlink(m_path.constData());
}

QString StagedFile::path() const
{
    return QFile::decodeName(m_path);
}

void StagedFile::commit(Existing existing)
{
    const QByteArray target = QFile::encodeName(m_target);
    struct stat old;
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw writeFailure(EISDIR, m_target);
    if (exists && existing == Existing::Keep)
        throw writeFailure(EEXIST, m_target);
    // A new file is the owner's only (it was made so); a replaced one keeps its
    // permissions; a symbolic link is replaced by a plain file.
    if (exists && S_ISREG(old.st_mode))
        ::fchmod(m_fd, old.st_mode & 07777);
    if (::fsync(m_fd) != 0)
        throw writeFailure(errno, m_target);
    // Renamed while still open and locked, so no cleaner takes the finished file.
    const int renamed = existing == Existing::Replace ? ::rename(m_path.constData(), target.constData())
                                                      : renameNoReplace(m_path.constData(), target.constData());
    if (renamed != 0)
        throw writeFailure(errno, m_target);
    m_committed = true;
    ::close(m_fd);
    m_fd = -1;
    syncFolder(QFile::encodeName(QFileInfo(m_target).absolutePath()));
}

void removeStale(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1String(kStalePrefix) + QLatin1Char('*')},
                                            QDir::Files | QDir::Hidden | QDir::System);
    auto isTemporary = [](const QString &name) { return name.endsWith(QLatin1String(kStaleSuffix)); };
    for (const QString &name : names) {
        if (!isTemporary(name))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        // Held by a live writer: not ours to take.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
    // What SQLite left beside a temporary that is gone (a journal of a killed copy).
    for (const QString &name : names) {
        for (const char *suffix : {"-journal", "-wal", "-shm"}) {
            if (!name.endsWith(QLatin1String(suffix)))
                continue;
            const QString owner = name.chopped(qsizetype(qstrlen(suffix)));
            if (isTemporary(owner) && !occupied(dir.filePath(owner)))
                QFile::remove(dir.filePath(name));
        }
    }
}

void write(const QString &path, const QByteArray &bytes, Existing existing)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    struct stat old;
    const QByteArray target = QFile::encodeName(absolute);
    const bool exists = ::lstat(target.constData(), &old) == 0;
    // Refused before anything is written.
    if (exists && S_ISDIR(old.st_mode))
        throw writeFailure(EISDIR, absolute);
    if (exists && existing == Existing::Keep)
        throw writeFailure(EEXIST, absolute);
    StagedFile staged(absolute);
    if (!writeAll(staged.descriptor(), bytes))
        throw writeFailure(errno, absolute);
    staged.commit(existing);
}

} // namespace AtomicFile
