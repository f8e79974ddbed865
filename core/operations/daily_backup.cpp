#include "daily_backup.h"

#include <QDir>

#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database_backup.h"
#include "platform/sql_database.h"

namespace DailyBackup {

QString run(const Clock &clock, Database &db)
{
    auto *local = dynamic_cast<SqlDatabase *>(&db);
    if (!local || local->filePath().isEmpty())
        return {};
    try {
        DatabaseBackup::daily(*local, clock.now());
    } catch (const AppError &e) {
        return QStringLiteral("今天的自动备份没有做成，录入可以照常进行。请检查文件夹 %1 能否写入、磁盘是否已满，"
                           "或请管理员用 tavro backup 另行备份。\n%2")
                .arg(QDir::toNativeSeparators(DatabaseBackup::folderFor(local->filePath())), e.text());
    }
    return {};
}

} // namespace DailyBackup
