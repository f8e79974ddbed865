#pragma once

#include <memory>

#include <QString>

#include "platform/database.h"
#include "platform/server_connection.h"
#include "platform/sql_database.h"

struct Services;
class QWidget;

// Opens the database of a run. Local-file mode: tavro.db in the working
// directory, created with the template tables after the user agrees. Server
// mode: the server named in config.ini beside the executable.
// Returns nullptr when no connection could be made; the caller then shows
// "连接数据库失败，程序即将退出。请联系管理员。" and ends the program.
namespace DatabaseConnection {

inline constexpr const char *kLocalFileName = "tavro.db";

// `owner`: the window the question about a missing file belongs to (titled
// with its caption); without one the question carries the application's title.
std::unique_ptr<Database> openLocalFile(Services &services, const QString &workingDir, QWidget *owner = nullptr);

std::unique_ptr<Database> openServer(const QString &configIniPath);

// Reading config.ini and opening its server need no window: they live in
// platform/server_connection.h, for the command line as well.
using ServerConnection::openServerOrThrow;
using ServerConnection::readServerConfig;
using ServerConnection::ServerConfig;
using ServerConnection::ServerEngine;
using ServerConnection::failureMessage;

} // namespace DatabaseConnection
