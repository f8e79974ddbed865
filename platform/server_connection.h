#pragma once

#include <memory>

#include <QString>

#include "platform/database.h"
#include "platform/sql_database.h"

// The server named in a config.ini (section Settings: Engine, Server,
// Database, User, Password, Driver), read and opened without any window, for
// the program's start-up and for the command line alike.
namespace ServerConnection {

enum class ServerEngine { SqlServer, PostgreSql, Unknown };

struct ServerConfig
{
    ServerEngine engine = ServerEngine::SqlServer;
    QString engineName; // as written in config.ini
    ServerSettings settings;
};

// "连接数据库失败，程序即将退出。请联系管理员。": what the program says when
// the server does not open.
QString failureMessage();

// Section Settings of config.ini; a missing file reads as empty values.
ServerConfig readServerConfig(const QString &configIniPath);

// Opens the configured server; a failure throws DatabaseError with the
// engine's own text (an unknown Engine value included).
std::unique_ptr<Database> openServerOrThrow(const QString &configIniPath);

} // namespace ServerConnection
