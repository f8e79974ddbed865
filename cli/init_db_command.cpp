#include "init_db_command.h"

#include <QTextStream>

#include "cli/command_catalog.h"
#include "core/operations/template_tables.h"
#include "platform/app_error.h"
#include "platform/server_connection.h"

namespace InitDbCommand {

int run(const QString &configIniPath, QTextStream &out, QTextStream &err)
{
    std::unique_ptr<Database> db;
    try {
        db = ServerConnection::openServerOrThrow(configIniPath);
    } catch (const AppError &e) {
        err << ServerConnection::failureMessage() << '\n' << e.text() << '\n';
        return 1;
    }
    const QString database = ServerConnection::readServerConfig(configIniPath).settings.database;
    try {
        // A server may keep the names in another letter case (init2).
        for (const QString &name : db->tableNames()) {
            if (name.compare(QLatin1String("Init1"), Qt::CaseInsensitive) == 0
                || name.compare(QLatin1String("Init2"), Qt::CaseInsensitive) == 0) {
                err << QStringLiteral("数据库 %1 中已有模板表 %2，未作任何改动。").arg(database, name) << '\n';
                return 1;
            }
        }
        // Both tables or neither: a failure takes away the Init2 made just now.
        TemplateTables::create(*db);
    } catch (const AppError &e) {
        err << CommandCatalog::info(CommandCatalog::Command::InitDb).failureHeadline << '\n' << e.text() << '\n';
        return 1;
    }
    out << QStringLiteral("已在数据库 %1 中建立模板表 Init2 和 Init1。").arg(database) << '\n';
    return 0;
}

} // namespace InitDbCommand
