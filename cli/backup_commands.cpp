#include "commands.h"

#include <memory>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "cli/command_options.h"
#include "core/keeping/history.h"
#include "core/operations/table_lists.h"
#include "core/record/class_count.h"
#include "platform/app_error.h"
#include "platform/database_backup.h"
#include "platform/sql_database.h"
#include "platform/transaction.h"

namespace Commands {

void backup(const CommandOptions &options, QTextStream &out)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString into = options.intoGiven ? options.into : QString();
    out << QStringLiteral("已备份到 %1").arg(QDir::toNativeSeparators(DatabaseBackup::backupFile(options.db, into, now)))
        << Qt::endl;
}

QString backupDetail(const CommandOptions &options)
{
    const std::unique_ptr<SqlDatabase> db = SqlDatabase::openSqlite(options.db, SqliteMode::ReadOnly);
    const QStringList names = TableLists::tableNames(*db);
    const QList<bool> classes = TableLists::classTableSelection(names);
    int tables = 0;
    qint64 pupils = 0;
    for (int i = 0; i < names.size(); ++i) {
        if (!classes.at(i))
            continue;
        ++tables;
        pupils += ClassCount::count(*db, names.at(i));
    }
    return QStringLiteral("%1 个班级表，%2 名学生").arg(tables).arg(pupils);
}

void restore(const CommandOptions &options, QTextStream &out)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString saved = DatabaseBackup::restore(options.from, options.db, now);
    QString text = QStringLiteral("已用 %1 恢复 %2。")
                       .arg(QDir::toNativeSeparators(options.from), QDir::toNativeSeparators(options.db));
    if (!saved.isEmpty())
        text += QStringLiteral("原来的文件已备份为 %1").arg(QDir::toNativeSeparators(saved));
    out << text << Qt::endl;
    // The restored file's own history says when it came back and from where.
    try {
        const std::unique_ptr<SqlDatabase> db = SqlDatabase::openSqlite(options.db, SqliteMode::ReadWrite);
        History::prepare(*db);
        Transaction transaction(*db);
        HistoryEntry line;
        line.kind = QStringLiteral("还原");
        line.detail = QStringLiteral("从 %1 还原").arg(QFileInfo(options.from).fileName());
        if (!saved.isEmpty())
            line.detail += QStringLiteral("；原来的文件已备份为 %1").arg(QFileInfo(saved).fileName());
        History::write(*db, {line});
        transaction.commit();
    } catch (const AppError &e) {
        out << QStringLiteral("注意：还原已完成，但没有记入修改记录。") << Qt::endl << e.text() << Qt::endl;
    }
}

} // namespace Commands
