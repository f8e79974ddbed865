#include "backup_list.h"

#include "core/operations/table_lists.h"
#include "core/record/class_count.h"
#include "platform/app_error.h"
#include "platform/database_backup.h"
#include "platform/sql_database.h"

namespace BackupList {

static void readContents(Entry &entry)
{
    try {
        const std::unique_ptr<SqlDatabase> db = SqlDatabase::openSqlite(entry.path, SqliteMode::ReadOnly);
        const QStringList classes = TableLists::classTables(TableLists::tableNames(*db));
        entry.classes = int(classes.size());
        entry.pupils = ClassCount::pupilsIn(*db, classes);
    } catch (const AppError &e) {
        entry.classes = -1;
        entry.problem = e.text();
    }
}

QList<Entry> read(const QString &dbPath)
{
    QList<Entry> entries;
    for (const DatabaseBackup::Listed &listed : DatabaseBackup::list(DatabaseBackup::folderFor(dbPath))) {
        Entry entry;
        entry.path = listed.path;
        entry.time = listed.time;
        entry.size = listed.size;
        readContents(entry);
        entries << entry;
    }
    return entries;
}

Entry contentsOf(const QString &path)
{
    Entry entry;
    entry.path = path;
    readContents(entry);
    return entry;
}

QString historyText(const Entry &contents, bool encrypted)
{
    const QString how = encrypted ? QStringLiteral("加密") : QStringLiteral("不加密");
    if (contents.classes < 0)
        return how + QStringLiteral("，学生数无法读出");
    return QStringLiteral("%1，%2 个班级表，%3 名学生").arg(how).arg(contents.classes).arg(contents.pupils);
}

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024)
        return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
}

} // namespace BackupList
