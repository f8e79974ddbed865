#pragma once

#include <memory>

#include "platform/database.h"
#include "platform/sql_dialect.h"
#include "platform/sqlite_file_check.h"

class QSqlDatabase;
class QSqlError;
class QSqlQuery;
class QTemporaryDir;
struct sqlite3;

// How a local SQLite file is opened. ReadWrite and ReadOnly take only a file
// that is a database of this program; Create makes a new one where nothing is.
// ReadOnly never writes to the file nor leaves a file beside it, holds
// SQLite's read lock while it reads (only a file nobody can write is read
// without), and works on a read-only file or in a read-only folder. ReadWrite
// on a file this user cannot write reads it the same way.
enum class SqliteMode { ReadWrite, ReadOnly, Create };

// Server settings from config.ini, section Settings.
struct ServerSettings
{
    QString server;
    QString database;
    QString user;
    QString password;
    QString driver; // ODBC driver name
};

// "host", "host:port", "[v6-address]:port" or a socket folder ("/run/postgresql").
struct HostPort
{
    QString host;
    int port = -1; // -1: the engine's default
    static HostPort parse(const QString &server);
};

// Database on Qt SQL: one named connection, statements rewritten by the
// engine's dialect. Used from the user-interface thread only.
class SqlDatabase final : public Database
{
public:
    ~SqlDatabase() override;

    // Opens a local SQLite file (see SqliteMode). Before anything is written,
    // a file that is empty, not SQLite, without Init2 or with a -wal beside it
    // that does not belong to it is refused. Throws DatabaseError.
    // Every write outside a transaction and every commit is checkpointed into
    // the file itself, so the file alone holds every confirmed save; the last
    // writing connection to close leaves it in rollback-journal mode.
    static std::unique_ptr<SqlDatabase> openSqlite(const QString &path, SqliteMode mode);

    // SQL Server through ODBC; throws DatabaseError when it does not open.
    static std::unique_ptr<SqlDatabase> openSqlServer(const ServerSettings &settings);

    // PostgreSQL through Qt's QPSQL driver; Server is host or host:port.
    // Never prompts for a login; throws DatabaseError when it does not open.
    static std::unique_ptr<SqlDatabase> openPostgres(const ServerSettings &settings);

    Engine engine() const override;
    QueryResult query(const SqlStatement &statement) override;
    qint64 execute(const SqlStatement &statement) override;
    QStringList tableNames() override;
    QDateTime currentDateTime() override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;
    QString filePath() const override { return m_filePath; }

    // The text the engine runs for a T-SQL statement.
    QString engineText(const QString &tsql);

    // Local file: replaces the file with the backup `from` (DatabaseBackup::restore)
    // with this connection closed around it, then works on the restored file
    // (every holder of this object with it). Returns the backup of the file
    // replaced. A refused restore leaves the file as it was and this
    // connection open on it again. Throws AppError.
    QString restoreFrom(const QString &from, const QDateTime &now);

    // The SQLite connection handle (for the online backup); nullptr on a server.
    sqlite3 *sqliteHandle();

    SqlDatabase(const QString &driver, std::unique_ptr<SqlDialect> dialect);

private:
    // The connection, opened again first when an earlier statement found the
    // server gone (a server may restart during a session; a file cannot).
    QSqlDatabase connection();
    // After a failed statement: is the server still there?
    void noteFailure(QSqlDatabase &db);
    // The engine's message for a failure, as the dialect shows it.
    QString errorText(const QSqlError &e);
    static SqliteFileCheck::Checked readingWay(const QString &absolute, const SqliteFileCheck::Checked &checked);
    // Local file: closes the connection as the destructor does, leaving the file at rest.
    void closeFile();
    // Local file: opens the file again for writing on this object.
    void reopenFile();
    // Local file: moves the log into the file once no transaction is open.
    void checkpointWhenIdle();
    // Runs the statement on q (prepared and bound when it carries values);
    // throws DatabaseError with the engine's text when it fails.
    void run(QSqlQuery &q, QSqlDatabase &db, const SqlStatement &statement);
    qint64 executePrepared(QSqlDatabase &db, const SqlStatement &statement);

    // Another program holding a write lock is waited for a while, not failed at once.
    static constexpr int kBusyTimeoutMs = 5000;

    QString m_connectionName;
    QString m_filePath; // the local file, empty for a server
    std::unique_ptr<SqlDialect> m_dialect;
    bool m_lost = false;
    bool m_writable = false;                     // a local file opened for writing
    QString m_openKey;                           // the local file as this process has it open
    std::shared_ptr<QTemporaryDir> m_replayCopy; // read-only view of a file whose crash log was replayed on a copy
    std::unique_ptr<QSqlQuery> m_prepared;       // the last statement executed with values, prepared
    QString m_preparedText;
};
