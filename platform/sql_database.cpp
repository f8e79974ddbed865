#include "sql_database.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "platform/app_error.h"
#include "platform/odbc_connection_string.h"
#include "platform/postgres_dialect.h"
#include "platform/sqlite_dialect.h"
#include "platform/sqlite_failure_text.h"

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
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::unique_ptr<SqlDatabase> SqlDatabase::openSqlite(const QString &path, bool create)
{
    if (!create && !QFileInfo(path).isFile())
        throw DatabaseError(QStringLiteral("unable to open database file: ") + path);
    auto database = std::make_unique<SqlDatabase>(QStringLiteral("QSQLITE"), std::make_unique<SqliteDialect>());
    QSqlDatabase db = QSqlDatabase::database(database->m_connectionName, false);
    db.setDatabaseName(path);
    database->m_filePath = QFileInfo(path).absoluteFilePath();
    // Another program holding a write lock is waited for a while, not failed at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw DatabaseError(database->errorText(db.lastError()));
    database->m_dialect->prepareConnection(db);
    // Write-ahead logging: a save costs one disk flush instead of the
    // rollback journal's several, and readers never block the writer.
    // Full sync keeps every confirmed save on disk through a power cut.
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !pragma.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        throw DatabaseError(database->errorText(pragma.lastError()));
    return database;
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

QString SqlDatabase::errorText(const QSqlError &e) const
{
    const QString text = m_dialect->messageText(engineErrorText(e));
    // The local file's failures are the teacher's to mend: say what they mean.
    if (m_dialect->engine() == QLatin1String("sqlite"))
        return SqliteFailureText::explain(e.nativeErrorCode(), text);
    return text;
}

QSqlDatabase SqlDatabase::connection()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (m_lost) {
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
    if (m_dialect->engine() == QLatin1String("sqlite"))
        return;
    if (!db.isOpen()) {
        m_lost = true;
        return;
    }
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select 1")))
        m_lost = true;
}

QString SqlDatabase::engine() const
{
    return m_dialect->engine();
}

QString SqlDatabase::engineText(const QString &tsql)
{
    QSqlDatabase db = connection();
    return m_dialect->rewrite(tsql, db);
}

QueryResult SqlDatabase::query(const QString &sql)
{
    QSqlDatabase db = connection();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(m_dialect->rewrite(sql, db))) {
        const QString text = errorText(q.lastError());
        q.finish();
        noteFailure(db);
        throw DatabaseError(text);
    }
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
        const QString text = errorText(q.lastError());
        q.finish();
        noteFailure(db);
        throw DatabaseError(text);
    }
    return result;
}

qint64 SqlDatabase::execute(const QString &sql)
{
    QSqlDatabase db = connection();
    QSqlQuery q(db);
    if (!q.exec(m_dialect->rewrite(sql, db))) {
        const QString text = errorText(q.lastError());
        q.finish();
        noteFailure(db);
        throw DatabaseError(text);
    }
    return q.numRowsAffected();
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
    if (!db.transaction()) {
        const QString text = errorText(db.lastError());
        noteFailure(db);
        throw DatabaseError(text);
    }
}

void SqlDatabase::commitTransaction()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.commit()) {
        const QString text = errorText(db.lastError());
        noteFailure(db);
        throw DatabaseError(text);
    }
}

void SqlDatabase::rollbackTransaction()
{
    // A lost server has rolled the transaction back itself.
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.rollback()) {
        const QString text = errorText(db.lastError());
        noteFailure(db);
        throw DatabaseError(text);
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
