#include "sql_database.h"

#include <sqlite3.h>

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlDriver>
#include <QTemporaryDir>

#include "platform/app_error.h"
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
