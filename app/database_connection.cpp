#include "database_connection.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "core/operations/template_tables.h"
#include "platform/app_error.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/server_connection.h"
#include "platform/sql_database.h"

namespace DatabaseConnection {

std::unique_ptr<Database> openLocalFile(Services &services, const QString &workingDir, QWidget *owner)
{
    const QString path = QDir(workingDir).absoluteFilePath(QLatin1String(kLocalFileName));
    try {
        if (QFileInfo::exists(path))
            return SqlDatabase::openSqlite(path, SqliteMode::ReadWrite);
        const auto answer = services.messages.askBox(
            owner, owner ? owner->windowTitle() : services.appTitle,
            QStringLiteral("未找到本地数据库文件 %1。是否在此新建一个空数据库？").arg(QDir::toNativeSeparators(path)),
            Messages::Icon::Question, Messages::Buttons::YesNo);
        if (answer != Messages::Answer::Yes)
            return nullptr;
        auto db = SqlDatabase::openSqlite(path, SqliteMode::Create);
        try {
            TemplateTables::create(*db);
        } catch (const AppError &) {
            // A half-made file would be taken for a database on the next start.
            db.reset();
            QFile::remove(path);
            throw;
        }
        return db;
    } catch (const AppError &) {
        return nullptr;
    }
}

std::unique_ptr<Database> openServer(const QString &configIniPath)
{
    try {
        return openServerOrThrow(configIniPath);
    } catch (const AppError &) {
        return nullptr;
    }
}

} // namespace DatabaseConnection
