#include "server_connection.h"

#include <QHash>

#include "platform/app_error.h"
#include "platform/ini_file.h"

namespace ServerConnection {

QString failureMessage()
{
    return QStringLiteral("连接数据库失败，程序即将退出。请联系管理员。");
}

ServerConfig readServerConfig(const QString &configIniPath)
{
    // Read as Windows reads profiles: a password holding ',' or ';' stays whole.
    const QHash<QString, QString> ini = IniFile::readSection(configIniPath, QStringLiteral("Settings"));
    ServerConfig config;
    config.settings.server = ini.value(QStringLiteral("server"));
    config.settings.database = ini.value(QStringLiteral("database"));
    config.settings.user = ini.value(QStringLiteral("user"));
    config.settings.password = ini.value(QStringLiteral("password"));
    config.settings.driver = ini.value(QStringLiteral("driver"));
    config.engineName = ini.value(QStringLiteral("engine"));
    if (config.engineName.isEmpty() || config.engineName.compare(QLatin1String("SQLServer"), Qt::CaseInsensitive) == 0)
        config.engine = ServerEngine::SqlServer;
    else if (config.engineName.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0)
        config.engine = ServerEngine::PostgreSql;
    else
        config.engine = ServerEngine::Unknown;
    return config;
}

std::unique_ptr<Database> openServerOrThrow(const QString &configIniPath)
{
    // A missing file reads as four empty values, which no server accepts.
    const ServerConfig config = readServerConfig(configIniPath);
    switch (config.engine) {
    case ServerEngine::SqlServer:
        return SqlDatabase::openSqlServer(config.settings);
    case ServerEngine::PostgreSql:
        return SqlDatabase::openPostgres(config.settings);
    case ServerEngine::Unknown:
        break;
    }
    throw DatabaseError(QStringLiteral("unknown Engine in config.ini: %1 (SQLServer or PostgreSQL)").arg(config.engineName));
}

} // namespace ServerConnection
