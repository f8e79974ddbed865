#include "sql_database.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "platform/app_error.h"
#include "platform/sqlite_dialect.h"

namespace {

QString errorText(const QSqlError &e)
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
    // Another program holding a write lock is waited for a while, not failed at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw DatabaseError(errorText(db.lastError()));
    database->m_dialect->prepareConnection(db);
    // Write-ahead logging: a save costs one disk flush instead of the
    // rollback journal's several, and readers never block the writer.
    // Full sync keeps every confirmed save on disk through a power cut.
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !pragma.exec(QStringLiteral("PRAGMA synchronous = FULL")))
        throw DatabaseError(errorText(pragma.lastError()));
    return database;
}

std::unique_ptr<SqlDatabase> SqlDatabase::openSqlServer(const ServerSettings &s)
{
    auto database = std::make_unique<SqlDatabase>(QStringLiteral("QODBC"), std::make_unique<TsqlDialect>());
    QSqlDatabase db = QSqlDatabase::database(database->m_connectionName, false);
    const QString driver = s.driver.isEmpty() ? QStringLiteral("FreeTDS") : s.driver;
    db.setDatabaseName(QStringLiteral("DRIVER={%1};SERVER=%2;DATABASE=%3;UID=%4;PWD=%5")
                           .arg(driver, s.server, s.database, s.user, s.password));
    if (s.server.isEmpty() || !db.open())
        throw DatabaseError(errorText(db.lastError()));
    database->m_dialect->prepareConnection(db);
    return database;
}

QString SqlDatabase::engine() const
{
    return m_dialect->engine();
}

QString SqlDatabase::engineText(const QString &tsql)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    return m_dialect->rewrite(tsql, db);
}

QueryResult SqlDatabase::query(const QString &sql)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(m_dialect->rewrite(sql, db)))
        throw DatabaseError(errorText(q.lastError()));
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
    if (q.lastError().isValid())
        throw DatabaseError(errorText(q.lastError()));
    return result;
}

qint64 SqlDatabase::execute(const QString &sql)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QSqlQuery q(db);
    if (!q.exec(m_dialect->rewrite(sql, db)))
        throw DatabaseError(errorText(q.lastError()));
    return q.numRowsAffected();
}

QStringList SqlDatabase::tableNames()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    return m_dialect->tableNames(db);
}

QDateTime SqlDatabase::currentDateTime()
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    return m_dialect->currentDateTime(db);
}

// SQL Server's catalogue: user tables and views in the order they were made.
QStringList TsqlDialect::tableNames(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select name from sysObjects where xtype in ('U', 'V') "
                               "and OBJECTPROPERTY(id, 'IsMSShipped') = 0 order by crdate, id")))
        throw DatabaseError(errorText(q.lastError()));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QDateTime TsqlDialect::currentDateTime(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("Select GetDate()")) || !q.next())
        throw DatabaseError(errorText(q.lastError()));
    return q.value(0).toDateTime();
}
