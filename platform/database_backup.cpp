#include "database_backup.h"

#include <algorithm>
#include <tuple>

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/app_error.h"
#include "platform/atomic_file.h"
#include "platform/output_target.h"
#include "platform/sql_database.h"
#include "platform/sqlite_file_check.h"

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

// SQLite's online backup of the connection's database into a new file.
void writeCopy(sqlite3 *source, const QString &path)
{
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &target, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
        if (backup) {
            // Another program writing at this moment is waited for a while.
            for (int attempt = 0; attempt < 100; ++attempt) {
                rc = sqlite3_backup_step(backup, -1);
                if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                    break;
                sqlite3_sleep(50);
            }
            sqlite3_backup_finish(backup);
        }
        rc = sqlite3_errcode(target);
    }
    const QString error = target ? QString::fromUtf8(sqlite3_errmsg(target)) : QStringLiteral("out of memory");
    sqlite3_close_v2(target);
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw FileError(QStringLiteral("备份文件 %1 没有写成。请检查磁盘空间和文件夹的写入权限。\n%2").arg(native(path), error));
}

QString makeFolder(const QString &dbPath)
{
    const QString folder = DatabaseBackup::folderFor(dbPath);
    if (!QDir().mkpath(folder))
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

// The bytes of a file that cannot be read as a database, kept as they are.
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
    DatabaseBackup::prune(folder);
    return target;
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
    writeCopy(handle, staged.path());
    QFile::setPermissions(staged.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                             | QFileDevice::ReadOther);
    staged.commit(AtomicFile::Existing::Keep);
}

QString intoFolder(SqlDatabase &source, const QDateTime &now)
{
    const QString folder = makeFolder(source.filePath());
    const QString target = freeBackupPath(folder, now);
    copyTo(source, target);
    prune(folder);
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

void prune(const QString &folder, int keep)
{
    using Key = std::tuple<QString, QString, int>;
    QList<std::pair<Key, QString>> backups;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        const auto m = backupName().match(name);
        if (m.hasMatch())
            backups.append({Key(m.captured(1), m.captured(2), m.captured(3).toInt()), name});
    }
    std::sort(backups.begin(), backups.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    for (qsizetype i = keep; i < backups.size(); ++i)
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
        throw FileError(QStringLiteral("数据库文件 %1 正在使用中（录入窗口或另一个命令还开着它）。"
                                       "请先关闭所有使用它的程序，再恢复。")
                            .arg(native(db)));
    if (old.exists() && (!old.isFile() || (old.size() > 0 && !SqliteFileCheck::hasSqliteHeader(db))))
        throw FileError(QStringLiteral("%1 不是数据库文件，恢复不会覆盖它。请检查 --db 给出的文件。").arg(native(db)));

    // The restored copy is written beside the database first: until the
    // rename at the end, a failure leaves every file as it was.
    auto source = SqlDatabase::openSqlite(QFileInfo(from).absoluteFilePath(), SqliteMode::ReadOnly);
    AtomicFile::StagedFile staged(db);
    writeCopy(source->sqliteHandle(), staged.path());
    source.reset();
    QFile::setPermissions(staged.path(), old.exists() ? old.permissions()
                                                     : QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                           | QFileDevice::ReadGroup | QFileDevice::ReadOther);

    QString saved;
    if (old.exists() && old.size() > 0) {
        try {
            const auto current = SqlDatabase::openSqlite(db, SqliteMode::ReadOnly);
            saved = intoFolder(*current, now);
        } catch (const DatabaseError &) {
            // A damaged file, or one with a foreign log beside it: its own bytes are kept.
            saved = copyBytesIntoFolder(db, now);
        }
    }
    // A log left beside the old file must never be replayed into the restored one.
    for (const char *suffix : {"-wal", "-shm"}) {
        QFile stale(db + QLatin1String(suffix));
        if (stale.exists() && !stale.remove())
            throw FileError(QStringLiteral("无法删除旧的日志文件 %1，数据库没有恢复。\n%2")
                                .arg(native(stale.fileName()), stale.errorString()));
    }
    staged.commit(AtomicFile::Existing::Replace);
    return saved;
}

} // namespace DatabaseBackup
