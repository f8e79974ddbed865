#include "sqlite_at_rest.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

namespace SqliteAtRest {

bool walHeader(const QString &absolutePath)
{
    QFile f(absolutePath);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(18))
        return false;
    const QByteArray versions = f.read(2);
    return versions.size() == 2 && (versions.at(0) == 2 || versions.at(1) == 2);
}

bool nobodyCanWrite(const QString &absolutePath)
{
    const QByteArray path = QFile::encodeName(absolutePath);
    struct statvfs fs;
    if (::statvfs(path.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        return true;
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool returnToRollbackMode(const QString &absolutePath)
{
    const QByteArray path = QFile::encodeName(absolutePath);
    const QByteArray folder = QFile::encodeName(QFileInfo(absolutePath).absolutePath());
    if (::access(path.constData(), W_OK) != 0 || ::access(folder.constData(), W_OK) != 0)
        return false;
    sqlite3 *db = nullptr;
    bool done = false;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        // The first read rolls back a crash's journal. Leaving "persist" for
        // "delete" removes a journal that is left but not hot (SQLite does so
        // under its reserved lock, so never one in use).
        if (sqlite3_exec(db, "select count(*) from sqlite_master; pragma journal_mode = persist", nullptr, nullptr, nullptr) == SQLITE_OK
            && sqlite3_prepare_v2(db, "pragma journal_mode = delete", -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            done = qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)), "delete") == 0;
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(db);
    return done;
}

void leaveInRollbackMode(sqlite3 *handle)
{
    if (!handle || sqlite3_db_readonly(handle, "main") != 0 || !sqlite3_get_autocommit(handle))
        return;
    sqlite3_busy_timeout(handle, 0);
    // Fails with "database is locked" while another connection has the file
    // open; that connection's own closing switches it back.
    sqlite3_exec(handle, "pragma wal_checkpoint(truncate); pragma journal_mode = delete", nullptr, nullptr, nullptr);
}

} // namespace SqliteAtRest
