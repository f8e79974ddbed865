#pragma once

#include <memory>

#include <QString>

#include "platform/database.h"

struct Services;

// Opens the database of a run. Local-file mode: tavro.db in the working
// directory, created with the template tables after the user agrees. Server
// mode: the server named in config.ini beside the executable.
// Returns nullptr when no connection could be made; the caller then shows
// "连接数据库失败，程序即将退出。请联系管理员。" and ends the program.
namespace DatabaseConnection {

inline constexpr const char *kLocalFileName = "tavro.db";

std::unique_ptr<Database> openLocalFile(Services &services, const QString &workingDir);

std::unique_ptr<Database> openServer(const QString &configIniPath);

QString failureMessage();

} // namespace DatabaseConnection
