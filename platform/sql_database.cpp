#include "sql_database.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlDriver>
#include <QTemporaryDir>

#include "platform/app_error.h"
#include "platform/atomic_file.h"
#include "platform/database_backup.h"
#include "platform/odbc_connection_string.h"
#include "platform/postgres_dialect.h"
#include "platform/server_failure_text.h"
#include "platform/sqlite_at_rest.h"
#include "platform/sqlite_dialect.h"
#include "platform/sqlite_failure_text.h"
#include "platform/sqlite_file_check.h"

namespace {

QString engineErrorText(const QSqlError &e)
{
    const QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.text().trimmed() : text;
}

// Another program holding a write lock is waited for a while, not failed at once.
constexpr int kBusyTimeoutMs = 5000;

// Device and inode: which file lies at a path right now.
using FileIdentity = std::pair<dev_t, ino_t>;
FileIdentity identityOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, 0};
    return {st.st_dev, st.st_ino};
}

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("tavro-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

SqlDatabase::SqlDatabase(const QString &driver, std::unique_ptr<SqlDialect> dialect)
    : m_connectionName(nextConnectionName()), m_dialect(std::move(dialect))
{
    QSqlDatabase::addDatabase(driver, m_connectionName);
}

SqlDatabase::~SqlDatabase()
{
    m_prepared.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        // The last writing connection leaves the file in rollback-journal mode.
        if (m_writable && db.isOpen())
            SqliteAtRest::leaveInRollbackMode(sqliteHandle());
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    if (!m_openKey.isEmpty())
        SqliteFileCheck::noteClosed(m_openKey);
}

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

std::unique_ptr<SqlDatabase> SqlDatabase::openSqlServer(const ServerSettings &s)
{
    auto database = std::make_unique<SqlDatabase>(QStringLiteral("QODBC"), std::make_unique<TsqlDialect>());
    QSqlDatabase db = QSqlDatabase::database(database->m_connectionName, false);
    db.setDatabaseName(OdbcConnectionString::build(s));
    if (s.server.isEmpty())
        throw DatabaseError(QStringLiteral("no server named in config.ini"));
    if (!db.open())
        throw DatabaseError(database->errorText(db.lastError()));
    database->m_dialect->prepareConnection(db);
    return database;
}

HostPort HostPort::parse(const QString &server)
{
    const QString s = server.trimmed();
    HostPort hp;
    hp.host = s;
    if (s.startsWith(QLatin1Char('['))) {
        const qsizetype close = s.indexOf(QLatin1Char(']'));
        if (close < 0)
            return hp;
        hp.host = s.mid(1, close - 1);
        if (s.mid(close + 1).startsWith(QLatin1Char(':'))) {
            bool ok = false;
            const int port = s.mid(close + 2).toInt(&ok);
            if (ok)
                hp.port = port;
        }
        return hp;
    }
    // One colon separates a port; more than one is a bare IPv6 address.
    if (s.count(QLatin1Char(':')) == 1 && !s.startsWith(QLatin1Char('/'))) {
        const qsizetype colon = s.indexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = s.mid(colon + 1).toInt(&ok);
        if (ok) {
            hp.host = s.left(colon);
            hp.port = port;
        }
    }
    return hp;
}

std::unique_ptr<SqlDatabase> SqlDatabase::openPostgres(const ServerSettings &s)
{
    auto database = std::make_unique<SqlDatabase>(QStringLiteral("QPSQL"), std::make_unique<PostgresDialect>());
    QSqlDatabase db = QSqlDatabase::database(database->m_connectionName, false);
    if (!db.isValid())
        throw DatabaseError(QStringLiteral("the PostgreSQL driver (QPSQL) is not available"));
    const HostPort hp = HostPort::parse(s.server);
    db.setHostName(hp.host);
    if (hp.port > 0)
        db.setPort(hp.port);
    db.setDatabaseName(s.database);
    db.setUserName(s.user);
    db.setPassword(s.password);
    // An unreachable server fails after a while instead of holding the window forever.
    db.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=tavro"));
    // Without a server libpq would quietly try the local socket.
    if (hp.host.isEmpty())
        throw DatabaseError(QStringLiteral("no server named in config.ini"));
    if (!db.open())
        throw DatabaseError(database->errorText(db.lastError()));
    database->m_dialect->prepareConnection(db);
    return database;
}

QString SqlDatabase::errorText(const QSqlError &e)
{
    const QString text = m_dialect->messageText(engineErrorText(e));
    // Every failure says what it means and what to do, in the window and on
    // the command line alike.
    // PostgreSQL's code is the SQLSTATE; ODBC reports SQL Server's own error
    // numbers there, so SQL Server is judged by the lost connection alone.
    if (m_dialect->engine() == Database::Engine::PostgreSql)
        return ServerFailureText::explain(e.nativeErrorCode(), text, m_lost);
    if (m_dialect->engine() != Database::Engine::Sqlite)
        return ServerFailureText::explain(QString(), text, m_lost);
    QString code = e.nativeErrorCode();
    // The driver reports a refused COMMIT without SQLite's code; the
    // connection still holds it.
    if (code.isEmpty()) {
        if (sqlite3 *handle = sqliteHandle())
            code = QString::number(sqlite3_extended_errcode(handle));
    }
    return SqliteFailureText::explain(code, text);
}

QSqlDatabase SqlDatabase::connection()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (m_lost) {
        m_prepared.reset();
        db.close();
        if (!db.open())
            throw DatabaseError(errorText(db.lastError()));
        m_dialect->prepareConnection(db);
        m_lost = false;
    }
    return db;
}

void SqlDatabase::noteFailure(QSqlDatabase &db)
{
    if (m_dialect->engine() == Database::Engine::Sqlite)
        return;
    if (!db.isOpen()) {
        m_lost = true;
        return;
    }
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("select 1")))
        return;
    // A statement refused inside a PostgreSQL transaction leaves it unusable
    // until the rollback (SQLSTATE class 25); the connection is still there.
    m_lost = !(m_dialect->engine() == Database::Engine::PostgreSql
               && probe.lastError().nativeErrorCode().startsWith(QLatin1String("25")));
}

Database::Engine SqlDatabase::engine() const
{
    return m_dialect->engine();
}

QString SqlDatabase::engineText(const QString &tsql)
{
    QSqlDatabase db = connection();
    return m_dialect->rewrite(tsql, db);
}

namespace {

// Binds the values by position; an empty text is stored as empty text, never as NULL.
void bindValues(QSqlQuery &q, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &value = values.at(i);
        if (value.typeId() == QMetaType::QString && value.toString().isNull())
            q.bindValue(i, QStringLiteral(""));
        else
            q.bindValue(i, value);
    }
}

} // namespace

void SqlDatabase::run(QSqlQuery &q, QSqlDatabase &db, const SqlStatement &statement)
{
    const QString text = m_dialect->rewrite(statement.text, db);
    bool ok;
    if (statement.values.isEmpty()) {
        ok = q.exec(text);
    } else {
        ok = q.prepare(text);
        bindValues(q, statement.values);
        ok = ok && q.exec();
    }
    if (!ok) {
        const QSqlError error = q.lastError();
        q.finish();
        noteFailure(db);
        throw DatabaseError(errorText(error));
    }
}

QueryResult SqlDatabase::query(const SqlStatement &statement)
{
    QSqlDatabase db = connection();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    run(q, db, statement);
    QueryResult result;
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i)
        result.columns << record.fieldName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << q.value(i);
        result.rows << row;
    }
    if (q.lastError().isValid()) {
        const QSqlError error = q.lastError();
        q.finish();
        noteFailure(db);
        throw DatabaseError(errorText(error));
    }
    return result;
}

qint64 SqlDatabase::executePrepared(QSqlDatabase &db, const SqlStatement &statement)
{
    // A statement repeated with other values (an import's rows, a class's
    // saves) is rewritten and prepared once and run again with each.
    if (!m_prepared || m_preparedText != statement.text) {
        m_prepared.reset();
        auto q = std::make_unique<QSqlQuery>(db);
        if (!q->prepare(m_dialect->rewrite(statement.text, db))) {
            const QSqlError error = q->lastError();
            q.reset();
            noteFailure(db);
            throw DatabaseError(errorText(error));
        }
        m_prepared = std::move(q);
        m_preparedText = statement.text;
    }
    bindValues(*m_prepared, statement.values);
    if (!m_prepared->exec()) {
        const QSqlError error = m_prepared->lastError();
        m_prepared.reset();
        noteFailure(db);
        throw DatabaseError(errorText(error));
    }
    const qint64 affected = m_prepared->numRowsAffected();
    m_prepared->finish();
    checkpointWhenIdle();
    return affected;
}

qint64 SqlDatabase::execute(const SqlStatement &statement)
{
    QSqlDatabase db = connection();
    if (!statement.values.isEmpty())
        return executePrepared(db, statement);
    QSqlQuery q(db);
    run(q, db, statement);
    const qint64 affected = q.numRowsAffected();
    q.finish();
    checkpointWhenIdle();
    return affected;
}

QStringList SqlDatabase::tableNames()
{
    QSqlDatabase db = connection();
    try {
        return m_dialect->tableNames(db);
    } catch (const DatabaseError &) {
        noteFailure(db);
        throw;
    }
}

QDateTime SqlDatabase::currentDateTime()
{
    QSqlDatabase db = connection();
    try {
        return m_dialect->currentDateTime(db);
    } catch (const DatabaseError &) {
        noteFailure(db);
        throw;
    }
}

void SqlDatabase::beginTransaction()
{
    QSqlDatabase db = connection();
    if (m_dialect->engine() == Database::Engine::Sqlite) {
        // Every transaction of the program writes: it takes the write lock at
        // once (another writer is waited for), so what it reads first cannot
        // be changed by a neighbour before its own writes.
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            throw DatabaseError(errorText(begin.lastError()));
        return;
    }
    if (!db.transaction()) {
        const QSqlError error = db.lastError();
        noteFailure(db);
        throw DatabaseError(errorText(error));
    }
}

void SqlDatabase::commitTransaction()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        noteFailure(db);
        throw DatabaseError(errorText(error));
    }
    checkpointWhenIdle();
}

void SqlDatabase::rollbackTransaction()
{
    // A lost server has rolled the transaction back itself.
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.rollback()) {
        const QSqlError error = db.lastError();
        noteFailure(db);
        throw DatabaseError(errorText(error));
    }
}

// SQL Server's catalogue: user tables and views in the order they were made.
QStringList TsqlDialect::tableNames(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select name from sysObjects where xtype in ('U', 'V') "
                               "and OBJECTPROPERTY(id, 'IsMSShipped') = 0 order by crdate, id")))
        throw DatabaseError(engineErrorText(q.lastError()));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QDateTime TsqlDialect::currentDateTime(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("Select GetDate()")) || !q.next())
        throw DatabaseError(engineErrorText(q.lastError()));
    return q.value(0).toDateTime();
}
