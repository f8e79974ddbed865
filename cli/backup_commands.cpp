#include "commands.h"

#include <QDateTime>
#include <QDir>
#include <QTextStream>

#include "cli/command_options.h"
#include "platform/database_backup.h"

namespace Commands {

void backup(const CommandOptions &options, QTextStream &out)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString into = options.intoGiven ? options.into : QString();
    out << QStringLiteral("已备份到 %1").arg(QDir::toNativeSeparators(DatabaseBackup::backupFile(options.db, into, now)))
        << Qt::endl;
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
}

} // namespace Commands
