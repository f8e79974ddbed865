#include "test_env.h"

#include <stdexcept>

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include "platform/table_name.h"
#include "core/operations/template_tables.h"

namespace {

// The engines by the names TAVRO_TEST_ENGINE and the data rows use.
const QString kPostgres = Database::engineName(Database::Engine::PostgreSql);
const QString kSqlite = Database::engineName(Database::Engine::Sqlite);

// One connection per test process to the server's maintenance database, for
// creating and dropping the test databases.
QSqlDatabase adminConnection(const ServerSettings &server)
{
    const QString name = QStringLiteral("tavro-test-admin");
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name);
        if (db.isOpen())
            return db;
    }
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                  : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    const HostPort hp = HostPort::parse(server.server);
    db.setHostName(hp.host);
    if (hp.port > 0)
        db.setPort(hp.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    db.setPassword(server.password);
    if (!db.open())
        throw std::runtime_error(("cannot reach the test server: " + db.lastError().text()).toStdString());
    QSqlQuery(db).exec(QStringLiteral("set client_min_messages = warning"));
    return db;
}

void admin(const ServerSettings &server, const QString &sql)
{
    QSqlDatabase db = adminConnection(server);
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw std::runtime_error((sql + QStringLiteral(": ") + q.lastError().text()).toStdString());
}

QString freshDatabaseName()
{
    static int counter = 0;
    return QStringLiteral("tavro_t%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(QDateTime::currentMSecsSinceEpoch() % 100000000)
        .arg(++counter);
}

} // namespace

TestEnv::TestEnv(const QDateTime &now) : TestEnv(defaultEngine(), now) {}

TestEnv::TestEnv(const QString &engineName, const QDateTime &now)
    : clock(now), services{messages, clock, desktop, QString(), QStringLiteral("tavro")}, engine(engineName)
{
    services.programDir = dir.path();
    if (engine == kPostgres) {
        const auto server = postgresServer();
        if (!server)
            throw std::runtime_error("TAVRO_TEST_PG is not set");
        serverSettings = *server;
        serverSettings.database = freshDatabaseName();
        admin(*server, QStringLiteral("create database %1 encoding 'UTF8' template template0").arg(serverSettings.database));
        db = SqlDatabase::openPostgres(serverSettings);
    } else {
        db = SqlDatabase::openSqlite(dir.filePath(QStringLiteral("tavro.db")), SqliteMode::Create);
    }
    TemplateTables::create(*db);
}

TestEnv::~TestEnv()
{
    db.reset();
    if (engine == kPostgres && !serverSettings.database.isEmpty()) {
        try {
            admin(*postgresServer(), QStringLiteral("drop database if exists %1 with (force)").arg(serverSettings.database));
        } catch (const std::exception &e) {
            qWarning("%s", e.what());
        }
    }
}

void TestEnv::createClassTable(const QString &name)
{
    db->execute(QStringLiteral("Select * into ") + TableName(name).sql(*db) + QStringLiteral(" from Init2 where 1 <> 1"));
}

std::unique_ptr<SqlDatabase> TestEnv::connectAgain() const
{
    if (engine == kPostgres)
        return SqlDatabase::openPostgres(serverSettings);
    return SqlDatabase::openSqlite(dir.filePath(QStringLiteral("tavro.db")), SqliteMode::ReadWrite);
}

QString TestEnv::writeConfigIni(const QString &engineValue) const
{
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write config.ini");
    file.write(QStringLiteral("[Settings]\r\nEngine=%1\r\nServer=%2\r\nDatabase=%3\r\nUser=%4\r\nPassword=%5\r\n")
                   .arg(engineValue, serverSettings.server, serverSettings.database, serverSettings.user,
                        serverSettings.password)
                   .toUtf8());
    return path;
}

void TestEnv::serverAdmin(const QString &sql) const
{
    admin(*postgresServer(), sql);
}

QString TestEnv::defaultEngine()
{
    const QString engine = qEnvironmentVariable("TAVRO_TEST_ENGINE").trimmed().toLower();
    return engine.isEmpty() ? kSqlite : engine;
}

std::optional<ServerSettings> TestEnv::postgresServer()
{
    const QString value = qEnvironmentVariable("TAVRO_TEST_PG").trimmed();
    if (value.isEmpty())
        return std::nullopt;
    // host:port/database/user/password; the password may itself hold '/'.
    const QStringList parts = value.split(QLatin1Char('/'));
    if (parts.size() < 3)
        return std::nullopt;
    ServerSettings s;
    s.server = parts.at(0);
    s.database = parts.at(1);
    s.user = parts.at(2);
    s.password = parts.mid(3).join(QLatin1Char('/'));
    return s;
}

bool TestEnv::engineAvailable(const QString &engine)
{
    return engine != kPostgres || postgresServer().has_value();
}

void TestEnv::addEngineRows()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow(qPrintable(kSqlite)) << kSqlite;
    QTest::newRow(qPrintable(kPostgres)) << kPostgres;
}
