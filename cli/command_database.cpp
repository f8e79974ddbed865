#include "command_database.h"

#include <QDir>

#include "cli/command_options.h"
#include "platform/app_error.h"
#include "platform/server_connection.h"
#include "platform/sql_database.h"

std::unique_ptr<Database> openCommandDatabase(const CommandOptions &options, const QString &configFile, bool readOnly)
{
    if (options.dbGiven)
        return SqlDatabase::openSqlite(options.db, readOnly ? SqliteMode::ReadOnly : SqliteMode::ReadWrite);
    try {
        return ServerConnection::openServerOrThrow(configFile);
    } catch (const AppError &e) {
        throw AppError(QStringLiteral("无法连接 %1 所指的数据库。请检查其中的设置，或用 --db 给出本地数据库文件。\n%2")
                           .arg(QDir::toNativeSeparators(configFile), e.text()));
    }
}
