#include "database_backup.h"

#include <algorithm>
#include <tuple>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/app_error.h"
#include "platform/atomic_file.h"
#include "platform/output_target.h"
#include "platform/owner_only.h"
#include "platform/sql_database.h"
#include "platform/sqlite_file_check.h"
#include "platform/sqlite_integrity.h"

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

const QRegularExpression &backupName()
{
    static const QRegularExpression re(QStringLiteral(R"(^tavro-(\d{8})-(\d{6})(?:-(\d+))?\.db$)"));
    return re;
}

bool samePath(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath()))
        return true;
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
}

// Runs statements on a connection; SQLite's message when they fail.
QString exec(sqlite3 *handle, const char *sql)
{
    char *error = nullptr;
    const int rc = sqlite3_exec(handle, sql, nullptr, nullptr, &error);
    QString text = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    if (rc != SQLITE_OK && text.isEmpty())
        text = QString::fromUtf8(sqlite3_errstr(rc));
    return text;
}

// SQLite's online backup of one connection's database into another's: one
// step under the source's read lock, a writer elsewhere waited for a while.
int copyPages(sqlite3 *source, sqlite3 *target)
{
    sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup)
        return sqlite3_errcode(target);
    int rc = SQLITE_OK;
    for (int attempt = 0; attempt < 100; ++attempt) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        sqlite3_sleep(50);
    }
    const int finished = sqlite3_backup_finish(backup);
    return rc == SQLITE_DONE ? finished : rc;
}

// The database of `source` copied into the new file at path (a temporary one
// of the program's own), left in rollback-journal mode and checked whole.
void writeCopy(sqlite3 *source, const QString &path)
{
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &target, SQLITE_OPEN_READWRITE, nullptr);
    QString error;
    if (rc == SQLITE_OK) {
        // The temporary file becomes a backup only by its rename: no journal
        // is needed (nor left behind by a full disk), and the rename's fsync
        // makes it durable.
        error = exec(target, "pragma journal_mode = off; pragma synchronous = off");
        if (error.isEmpty()) {
            rc = copyPages(source, target);
            if (rc != SQLITE_OK)
                error = QString::fromUtf8(sqlite3_errmsg(target));
        }
        // A copy of a write-ahead-log file carries that mode in its header.
        if (error.isEmpty())
            error = exec(target, "pragma journal_mode = delete");
    } else {
        error = target ? QString::fromUtf8(sqlite3_errmsg(target)) : QStringLiteral("out of memory");
    }
    if (!error.isEmpty()) {
        sqlite3_close_v2(target);
        throw FileError(QStringLiteral("备份文件 %1 没有写成。请检查磁盘空间和文件夹的写入权限。\n%2").arg(native(path), error));
    }
    const QStringList problems = SqliteIntegrity::problems(target);
    sqlite3_close_v2(target);
    if (!problems.isEmpty())
        throw DatabaseError(QStringLiteral("写成的备份没有通过完整性检查，没有保存。请检查磁盘，或过一会儿再备份。\n%1")
                                .arg(problems.join(QLatin1String("; "))));
}

// A read transaction held on a connection for its lifetime: the checks and the
// copy that follow see one state of the database.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(sqlite3 *handle) : m_handle(handle)
    {
        const QString error = exec(handle, "begin; select count(*) from sqlite_master");
        if (!error.isEmpty())
            throw DatabaseError(error);
    }
    ~ReadSnapshot() { exec(m_handle, "commit"); }
    ReadSnapshot(const ReadSnapshot &) = delete;
    ReadSnapshot &operator=(const ReadSnapshot &) = delete;

private:
    sqlite3 *m_handle;
};

QString makeFolder(const QString &dbPath)
{
    const QString folder = DatabaseBackup::folderFor(dbPath);
    if (!OwnerOnly::makeFolder(folder))
        throw FileError(QStringLiteral("无法建立备份文件夹 %1。请检查数据库所在的文件夹能否写入。").arg(native(folder)));
    return folder;
}

QString freeBackupPath(const QString &folder, const QDateTime &now)
{
    const QString base = QStringLiteral("tavro-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = folder + QLatin1Char('/') + base + QStringLiteral(".db");
    for (int n = 2; AtomicFile::occupied(path); ++n)
        path = folder + QLatin1Char('/') + base + QStringLiteral("-%1.db").arg(n);
    return path;
}

// The bytes of a file that cannot be read as a database, kept as they are
// and read back to be sure they are.
QString copyBytesIntoFolder(const QString &dbPath, const QDateTime &now)
{
    const QString folder = makeFolder(dbPath);
    QFile from(dbPath);
    if (!from.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法备份 %1。\n%2").arg(native(dbPath), from.errorString()));
    const QByteArray bytes = from.readAll();
    if (from.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("无法读取 %1。\n%2").arg(native(dbPath), from.errorString()));
    const QString target = freeBackupPath(folder, now);
    AtomicFile::write(target, bytes, AtomicFile::Existing::Keep);
    QFile written(target);
    if (!written.open(QIODevice::ReadOnly) || written.readAll() != bytes)
        throw FileError(QStringLiteral("备份文件 %1 读回来与原文件不同，恢复没有进行。请检查磁盘。").arg(native(target)));
    return target;
}

QString inUseText(const QString &db)
{
    return QStringLiteral("数据库文件 %1 正在使用中（录入窗口或另一个命令还开着它）。请先关闭所有使用它的程序，再恢复。")
        .arg(native(db));
}

// The safety copy of the database a restore replaces: made under the
// exclusive lock `current` holds, whole, and in the backup folder before
// anything is replaced. A file that is damaged itself is kept byte for byte.
// The folder is pruned only once the restore went through.
QString safetyCopy(sqlite3 *current, const QString &db, const QDateTime &now)
{
    const QString folder = makeFolder(db);
    const QString target = freeBackupPath(folder, now);
    try {
        AtomicFile::StagedFile staged(target);
        writeCopy(current, staged.path());
        staged.commit(AtomicFile::Existing::Keep);
    } catch (const DatabaseError &) {
        if (SqliteIntegrity::problems(current).isEmpty())
            throw; // a whole file gave a copy that is not: the disk is at fault
        return copyBytesIntoFolder(db, now);
    }
    if (!QFileInfo(target).isFile())
        throw FileError(QStringLiteral("备份文件 %1 没有留下，恢复没有进行。").arg(native(target)));
    return target;
}

// SQLite's exclusive lock on a file (its pending byte and shared range, as
// SQLite's unix locking places them) held through an open file description of
// its own, so that closing other descriptors of the file does not drop it.
// While it is held no SQLite connection can start reading or writing.
class ExclusiveFileLock
{
public:
    explicit ExclusiveFileLock(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
        if (m_fd < 0 || !lock(0x40000000, 1) || !lock(0x40000002, 510))
            throw FileError(inUseText(path));
    }
    ~ExclusiveFileLock() { release(); }
    ExclusiveFileLock(const ExclusiveFileLock &) = delete;
    ExclusiveFileLock &operator=(const ExclusiveFileLock &) = delete;
    void release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    bool lock(off_t start, off_t length)
    {
        struct flock l = {};
        l.l_type = F_WRLCK;
        l.l_whence = SEEK_SET;
        l.l_start = start;
        l.l_len = length;
        return ::fcntl(m_fd, F_OFD_SETLK, &l) == 0;
    }
    int m_fd = -1;
};

// A database file that does not open (damaged, or a foreign log beside it):
// it is kept byte for byte and replaced by a rename, its log removed first,
// while the caller holds SQLite's exclusive lock on it (a connection that
// opened it meanwhile finds the file replaced and gives up).
QString restoreOverUnreadable(sqlite3 *source, const QString &db, const QDateTime &now)
{
    AtomicFile::StagedFile staged(db);
    writeCopy(source, staged.path());
    const QString saved = copyBytesIntoFolder(db, now);
    // A log left beside the old file must never be replayed into the restored one.
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        QFile stale(db + QLatin1String(suffix));
        if (stale.exists() && !stale.remove())
            throw FileError(QStringLiteral("无法删除旧的日志文件 %1，数据库没有恢复。\n%2")
                                .arg(native(stale.fileName()), stale.errorString()));
    }
    staged.commit(AtomicFile::Existing::Replace);
    DatabaseBackup::prune(DatabaseBackup::folderFor(db), DatabaseBackup::kKept, saved);
    return saved;
}

} // namespace

namespace DatabaseBackup {

QString folderFor(const QString &dbPath)
{
    return QFileInfo(dbPath).absolutePath() + QStringLiteral("/备份");
}

void copyTo(SqlDatabase &source, const QString &target)
{
    sqlite3 *handle = source.sqliteHandle();
    if (!handle)
        throw DatabaseError(QStringLiteral("只有本地数据库文件可以这样备份；服务器请用它自己的备份工具。"));
    const QString absolute = QFileInfo(target).absoluteFilePath();
    if (AtomicFile::occupied(absolute))
        throw FileError(QStringLiteral("文件 %1 已经存在，备份不会覆盖它。请换一个文件名。").arg(native(absolute)));
    AtomicFile::StagedFile staged(absolute);
    writeCopy(handle, staged.path()); // the staged file is the owner's only, and so is the backup
    staged.commit(AtomicFile::Existing::Keep);
}

void copyInto(SqlDatabase &source, const QString &emptyFile)
{
    sqlite3 *handle = source.sqliteHandle();
    if (!handle)
        throw DatabaseError(QStringLiteral("只有本地数据库文件可以这样备份；服务器请用它自己的备份工具。"));
    writeCopy(handle, emptyFile);
}

QString intoFolder(SqlDatabase &source, const QDateTime &now)
{
    const QString folder = makeFolder(source.filePath());
    const QString target = freeBackupPath(folder, now);
    copyTo(source, target);
    prune(folder, kKept, target);
    return target;
}

QString daily(SqlDatabase &source, const QDateTime &now)
{
    const QString today = now.toString(QStringLiteral("yyyyMMdd"));
    const QStringList names = QDir(folderFor(source.filePath())).entryList(QDir::Files);
    for (const QString &name : names) {
        const auto m = backupName().match(name);
        if (m.hasMatch() && m.captured(1) == today)
            return QString();
    }
    return intoFolder(source, now);
}

QList<Listed> list(const QString &folder)
{
    QList<Listed> backups;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files)) {
        const auto m = backupName().match(file.fileName());
        if (!m.hasMatch())
            continue;
        const QDateTime time = QDateTime::fromString(m.captured(1) + m.captured(2), QStringLiteral("yyyyMMddHHmmss"));
        backups.append({file.absoluteFilePath(), time, file.size()});
    }
    // Newest first; two of the same second by their running number.
    std::sort(backups.begin(), backups.end(), [](const Listed &a, const Listed &b) {
        return a.time != b.time ? a.time > b.time : a.path > b.path;
    });
    return backups;
}

void prune(const QString &folder, int keep, const QString &justWritten)
{
    using Key = std::tuple<QString, QString, int>;
    const QString kept = QFileInfo(justWritten).fileName();
    QList<std::pair<Key, QString>> backups;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        const auto m = backupName().match(name);
        // The file just written counts among those kept, whatever its date:
        // later-dated files (a clock that once ran ahead) never push it out.
        if (m.hasMatch() && name != kept)
            backups.append({Key(m.captured(1), m.captured(2), m.captured(3).toInt()), name});
    }
    if (!kept.isEmpty())
        --keep;
    std::sort(backups.begin(), backups.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    for (qsizetype i = std::max(keep, 0); i < backups.size(); ++i)
        QFile::remove(folder + QLatin1Char('/') + backups.at(i).second);
}

QString backupFile(const QString &dbPath, const QString &into, const QDateTime &now)
{
    const QString db = QFileInfo(dbPath).absoluteFilePath();
    if (!into.isEmpty()) {
        OutputTarget(db, QString()).ensureAllowed(into, OutputTarget::Kind::Text);
        if (AtomicFile::occupied(into))
            throw FileError(QStringLiteral("文件 %1 已经存在，备份不会覆盖它。请换一个文件名。")
                                .arg(native(QFileInfo(into).absoluteFilePath())));
    }
    const auto source = SqlDatabase::openSqlite(db, SqliteMode::ReadOnly);
    if (into.isEmpty())
        return intoFolder(*source, now);
    copyTo(*source, into);
    return QFileInfo(into).absoluteFilePath();
}

QString restore(const QString &from, const QString &dbPath, const QDateTime &now)
{
    const QString db = QFileInfo(dbPath).absoluteFilePath();
    const QFileInfo old(db);
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        if (samePath(from, db + QLatin1String(suffix)))
            throw FileError(QStringLiteral("要恢复的备份不能是数据库文件 %1 本身或它的日志文件。").arg(native(db)));
    }
    if (SqliteFileCheck::inUse(db))
        throw FileError(inUseText(db));
    if (old.exists() && (!old.isFile() || (old.size() > 0 && !SqliteFileCheck::hasSqliteHeader(db))))
        throw FileError(QStringLiteral("%1 不是数据库文件，恢复不会覆盖它。请检查 --db 给出的文件。").arg(native(db)));

    // The backup is checked whole (a bad sector on a stick damages one page)
    // and copied from that same state of it.
    const auto source = SqlDatabase::openSqlite(QFileInfo(from).absoluteFilePath(), SqliteMode::ReadOnly);
    sqlite3 *src = source->sqliteHandle();
    const ReadSnapshot sourceState(src);
    const QStringList damage = SqliteIntegrity::problems(src);
    if (!damage.isEmpty())
        throw DatabaseError(QStringLiteral("备份文件 %1 已损坏（完整性检查未通过），没有用它恢复，%2 原样未动。请换一份备份。\n%3")
                                .arg(native(QFileInfo(from).absoluteFilePath()), native(db), damage.join(QLatin1String("; "))));

    if (!old.exists() || old.size() == 0) {
        AtomicFile::StagedFile staged(db);
        writeCopy(src, staged.path());
        staged.commit(AtomicFile::Existing::Replace);
        return QString();
    }
    // Judged under the exclusive lock: a file being written elsewhere is never
    // taken for one that does not open.
    ExclusiveFileLock judging(db);
    bool opens = true;
    try {
        SqliteFileCheck::validate(db, true);
    } catch (const DatabaseError &) {
        opens = false;
    }
    if (!opens)
        return restoreOverUnreadable(src, db, now);
    judging.release();
    const auto current = SqlDatabase::openSqlite(db, SqliteMode::ReadWrite);
    sqlite3 *target = current->sqliteHandle();
    if (sqlite3_db_readonly(target, "main") != 0)
        throw FileError(QStringLiteral("数据库文件 %1 不能写入（只读），恢复没有进行。请让管理员开放写入权限。").arg(native(db)));
    // From here until the connection closes this process alone has the file:
    // a writer that starts meanwhile waits (or is told the file is busy), and
    // one already there makes the lock fail before anything is written.
    const QString locked =
        exec(target, "pragma locking_mode = exclusive; pragma journal_mode = delete; begin exclusive; commit");
    if (!locked.isEmpty())
        throw FileError(inUseText(db) + QLatin1Char('\n') + locked);
    const bool hadFolder = QFileInfo::exists(folderFor(db));
    const QString saved = safetyCopy(target, db, now);

    // One transaction with its rollback journal: a failure or a kill midway
    // leaves the database as it was.
    if (copyPages(src, target) != SQLITE_OK) {
        const QString error = QString::fromUtf8(sqlite3_errmsg(target));
        // The database is as it was: its copy is no new backup.
        QFile::remove(saved);
        if (!hadFolder)
            QDir().rmdir(folderFor(db));
        throw DatabaseError(QStringLiteral("没有恢复成功，数据库文件 %1 保持原样。请检查磁盘空间后再试。\n%2").arg(native(db), error));
    }
    exec(target, "pragma journal_mode = delete");
    const QStringList problems = SqliteIntegrity::problems(target);
    if (!problems.isEmpty())
        throw DatabaseError(QStringLiteral("恢复后的数据库文件 %1 没有通过完整性检查。原来的文件在 %2，请用它再恢复一次。\n%3")
                                .arg(native(db), native(saved), problems.join(QLatin1String("; "))));
    prune(folderFor(db), kKept, saved);
    return saved;
}

} // namespace DatabaseBackup
