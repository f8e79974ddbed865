#pragma once

#include <sqlite3.h>

#include <QString>

// A bare SQLite connection for tests that need what the program never does:
// another program's file, a log left unmerged as a crash leaves it.
class RawSqlite
{
public:
    explicit RawSqlite(const QString &path) { sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr); }
    ~RawSqlite() { sqlite3_close_v2(m_db); }
    RawSqlite(const RawSqlite &) = delete;
    RawSqlite &operator=(const RawSqlite &) = delete;
    // Runs statements; returns SQLite's message or an empty string.
    QString exec(const QString &sql)
    {
        char *error = nullptr;
        sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        const QString text = error ? QString::fromUtf8(error) : QString();
        sqlite3_free(error);
        return text;
    }
    // Write-ahead log that is never moved into the file while this connection lives.
    void keepLog() { exec(QStringLiteral("pragma journal_mode = wal; pragma wal_autocheckpoint = 0")); }

private:
    sqlite3 *m_db = nullptr;
};
