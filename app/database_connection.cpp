#include "database_connection.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "app/ini_file.h"
#include "core/operations/template_tables.h"
#include "platform/app_error.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/sql_database.h"

namespace DatabaseConnection {

QString failureMessage()
{
    return QStringLiteral("连接数据库失败，程序即将退出。请联系管理员。");
}

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

std::unique_ptr<Database> openServer(const QString &configIniPath)
{
    try {
        return openServerOrThrow(configIniPath);
    } catch (const AppError &) {
        return nullptr;
    }
}

} // namespace DatabaseConnection
