#include "sql_database.h"

#include <cerrno>
#include <cstring>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QTemporaryDir>

#include "platform/app_error.h"
#include "platform/atomic_file.h"
#include "platform/database_backup.h"
#include "platform/owner_only.h"
#include "platform/sqlite_at_rest.h"
#include "platform/sqlite_dialect.h"
#include "platform/sqlite_file_check.h"

// Opening the local SQLite file: judged first, then read under SQLite's
// locks or written in write-ahead-log mode.

namespace {

// Device and inode: which file lies at a path right now.
using FileIdentity = std::pair<dev_t, ino_t>;
FileIdentity identityOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, 0};
    return {st.st_dev, st.st_ino};
}

} // namespace

std::unique_ptr<SqlDatabase> SqlDatabase::openSqlite(const QString &path, SqliteMode mode)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // What killed backups and restores left beside the file goes first.
    AtomicFile::removeStale(QFileInfo(absolute).absolutePath());
    AtomicFile::removeStale(DatabaseBackup::folderFor(absolute));
    SqliteFileCheck::Checked checked;
    if (mode == SqliteMode::Create)
        SqliteFileCheck::requireNew(absolute);
    else
        checked = SqliteFileCheck::validate(absolute);

    auto database = std::make_unique<SqlDatabase>(QStringLiteral("QSQLITE"), std::make_unique<SqliteDialect>());
    database->m_filePath = absolute;
    // A file this user cannot write is only read, by every road in.
    database->m_writable = mode == SqliteMode::Create
        || (mode == SqliteMode::ReadWrite && ::access(QFile::encodeName(absolute).constData(), W_OK) == 0);
    QSqlDatabase db = QSqlDatabase::database(database->m_connectionName, false);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
    const FileIdentity opened = identityOf(absolute);
    if (database->m_writable) {
        db.setDatabaseName(absolute);
    } else if (SqliteFileCheck::Checked reading = readingWay(absolute, checked); !reading.replayedPath.isEmpty()) {
        // A private copy or a file nobody can write: read as it lies,
        // without locks and without making a -wal or -shm beside it.
        db.setDatabaseName(QString::fromUtf8(SqliteFileCheck::immutableUri(reading.replayedPath)));
        options += QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
        database->m_replayCopy = reading.replayedDir;
    } else {
        // Every other read holds SQLite's own read lock, so no writer changes
        // the file underneath; a file at rest in rollback-journal mode (and a
        // live one, whose -wal and -shm lie there) gets nothing new beside it.
        db.setDatabaseName(absolute);
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db.setConnectOptions(options);
    if (!db.open())
        throw DatabaseError(database->errorText(db.lastError()));
    // SQLite made the new file by the umask; its -wal and -shm take the file's mode.
    if (mode == SqliteMode::Create && !OwnerOnly::restrictNewFile(absolute))
        throw DatabaseError(QStringLiteral("无法把新数据库文件 %1 设为只有本用户可读写。\n%2")
                                .arg(QDir::toNativeSeparators(absolute), QString::fromLocal8Bit(std::strerror(errno))));
    database->m_openKey = SqliteFileCheck::noteOpened(absolute);
    database->m_dialect->prepareConnection(db);
    if (checked.live && !SqliteFileCheck::hasTemplateTable(database->sqliteHandle()))
        throw DatabaseError(SqliteFileCheck::notOursText(absolute, QStringLiteral("其中没有模板表 Init2")));
    if (!database->m_writable)
        return database;
    // Write-ahead logging: a save costs one disk flush for the log and one for
    // the checkpoint, and readers never block the writer. Full sync keeps every
    // confirmed save on disk through a power cut. Switching a file at rest
    // waits (the busy timeout) for a reader that holds it at this moment.
    QSqlQuery pragma(db);
    // A journal left (not hot) by a killed restore is removed by SQLite itself.
    if (QFileInfo::exists(absolute + QStringLiteral("-journal"))
        && pragma.exec(QStringLiteral("PRAGMA journal_mode = PERSIST")))
        pragma.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !pragma.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        throw DatabaseError(database->errorText(pragma.lastError()));
    // A restore that replaced the file while this connection waited for its
    // lock left it on the old file, where saves would be lost.
    if (mode == SqliteMode::ReadWrite && identityOf(absolute) != opened)
        throw DatabaseError(QStringLiteral("数据库文件 %1 刚刚被恢复的备份替换了。请重新打开。").arg(QDir::toNativeSeparators(absolute)));
    // What a crash's log recovered is in the file itself from the start.
    database->checkpointWhenIdle();
    return database;
}

// How a reader opens a file: through its private replayed copy or without
// locks (the copy's path is set), or through SQLite's locks (empty path).
SqliteFileCheck::Checked SqlDatabase::readingWay(const QString &absolute, const SqliteFileCheck::Checked &checked)
{
    if (checked.live)
        return {};
    const QString wal = absolute + QStringLiteral("-wal");
    const QString shm = absolute + QStringLiteral("-shm");
    const bool nobodyWrites = SqliteAtRest::nobodyCanWrite(absolute);
    const bool crashWal = QFileInfo(wal).size() > 0;
    if (!checked.replayedPath.isEmpty()) {
        // A crash's -wal whose -shm lies beside it too is read through both
        // under SQLite's lock; otherwise SQLite would have to make a file.
        if (!nobodyWrites && crashWal && QFileInfo::exists(shm))
            return {};
        // A crash's rollback journal is rolled back by SQLite where it may.
        if (!nobodyWrites && !crashWal && SqliteAtRest::returnToRollbackMode(absolute))
            return {};
        return checked;
    }
    if (nobodyWrites) {
        SqliteFileCheck::Checked asItLies;
        asItLies.replayedPath = absolute;
        return asItLies;
    }
    // Files left in write-ahead-log mode (by an earlier version) are returned
    // to rollback-journal mode first: a reader would make a -wal and -shm.
    // So is one with a journal left beside it.
    if ((SqliteAtRest::walHeader(absolute) && !(QFileInfo::exists(wal) && QFileInfo::exists(shm)))
        || QFileInfo::exists(absolute + QStringLiteral("-journal")))
        SqliteAtRest::returnToRollbackMode(absolute);
    return {};
}

sqlite3 *SqlDatabase::sqliteHandle()
{
    if (m_dialect->engine() != Database::Engine::Sqlite)
        return nullptr;
    const QVariant handle = QSqlDatabase::database(m_connectionName, false).driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

void SqlDatabase::checkpointWhenIdle()
{
    if (!m_writable)
        return;
    sqlite3 *handle = sqliteHandle();
    if (!handle || !sqlite3_get_autocommit(handle))
        return;
    // Without waiting: when another connection is writing or reading an older
    // snapshot, as much as possible is copied now and the rest with the next
    // save or at closing. The save itself is committed either way.
    sqlite3_busy_timeout(handle, 0);
    sqlite3_wal_checkpoint_v2(handle, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
}


void SqlDatabase::closeFile()
{
    m_prepared.reset();
    m_preparedText.clear();
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (m_writable && db.isOpen())
        SqliteAtRest::leaveInRollbackMode(sqliteHandle());
    db.close();
    if (!m_openKey.isEmpty())
        SqliteFileCheck::noteClosed(m_openKey);
    m_openKey.clear();
}

void SqlDatabase::reopenFile()
{
    std::unique_ptr<SqlDatabase> fresh = openSqlite(m_filePath, SqliteMode::ReadWrite);
    // This object takes the fresh connection over; the fresh object's
    // destructor removes the closed old one.
    std::swap(m_connectionName, fresh->m_connectionName);
    std::swap(m_dialect, fresh->m_dialect);
    std::swap(m_writable, fresh->m_writable);
    std::swap(m_openKey, fresh->m_openKey);
    std::swap(m_replayCopy, fresh->m_replayCopy);
    m_lost = false;
}

QString SqlDatabase::restoreFrom(const QString &from, const QDateTime &now)
{
    if (m_filePath.isEmpty())
        throw AppError(QStringLiteral("数据库在服务器上，不能在这里恢复备份。"));
    closeFile();
    QString kept;
    try {
        kept = DatabaseBackup::restore(from, m_filePath, now);
    } catch (...) {
        reopenFile();
        throw;
    }
    reopenFile();
    return kept;
}
