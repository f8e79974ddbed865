#include "commands.h"

#include <memory>
#include <optional>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "cli/command_options.h"
#include "cli/password_prompt.h"
#include "core/keeping/history.h"
#include "core/operations/backup_list.h"
#include "core/operations/encrypted_backup.h"
#include "platform/app_error.h"
#include "platform/database_backup.h"
#include "platform/encrypted_copy.h"
#include "platform/sql_database.h"
#include "platform/transaction.h"

namespace Commands {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The restored file's own history says when it came back, from where and what it held.
void recordRestore(const CommandOptions &options, const QString &detail, QTextStream &out)
{
    try {
        const std::unique_ptr<SqlDatabase> db = SqlDatabase::openSqlite(options.db, SqliteMode::ReadWrite);
        History::prepare(*db);
        Transaction transaction(*db);
        HistoryEntry line;
        line.kind = QStringLiteral("还原");
        line.detail = detail;
        History::write(*db, {line});
        transaction.commit();
    } catch (const AppError &e) {
        out << QStringLiteral("注意：还原已完成，但没有记入修改记录。") << Qt::endl << e.text() << Qt::endl;
    }
}

} // namespace

QString backup(const CommandOptions &options, QTextStream &out)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (!options.encrypt) {
        const QString into = options.intoGiven ? options.into : QString();
        const QString path = DatabaseBackup::backupFile(options.db, into, now);
        out << QStringLiteral("已备份到 %1").arg(shown(path)) << Qt::endl;
        return QStringLiteral("备份到 %1（%2）")
            .arg(QFileInfo(path).fileName(), BackupList::historyText(BackupList::contentsOf(path), false));
    }
    if (!options.intoGiven)
        throw AppError(QStringLiteral("加密的备份要用 --into 给出文件（例如 U 盘上的 周五.tavro）。“备份”文件夹中的备份不加密。"));
    // Refused targets are told before the password is asked.
    EncryptedBackup::ensureTarget(options.db, options.into);
    QString why;
    const std::optional<QString> password =
        PasswordPrompt::askNew(QStringLiteral("加密备份的密码（至少 6 个字符，恢复时要用）："), 6, out, why);
    if (!password)
        throw AppError(QStringLiteral("没有备份。") + why);
    const BackupList::Entry made = EncryptedBackup::backupFile(options.db, options.into, *password);
    out << QStringLiteral("已加密备份到 %1。请记住密码：没有密码，谁也打不开这份备份。").arg(shown(made.path)) << Qt::endl;
    return QStringLiteral("备份到 %1（%2）").arg(QFileInfo(made.path).fileName(), BackupList::historyText(made, true));
}

void restore(const CommandOptions &options, QTextStream &out)
{
    const QDateTime now = QDateTime::currentDateTime();
    const bool encrypted = EncryptedCopy::isEncrypted(options.from);
    std::optional<EncryptedBackup::Decrypted> decrypted;
    if (encrypted) {
        const std::optional<QString> password =
            PasswordPrompt::ask(QStringLiteral("%1 是加密的备份，请输入它的密码：").arg(shown(options.from)), out);
        if (!password)
            throw AppError(QStringLiteral("没有读到密码，没有恢复，数据库原样未动。"));
        decrypted.emplace(options.from, options.db, *password);
    }
    const QString source = encrypted ? decrypted->path() : options.from;
    const BackupList::Entry contents = BackupList::contentsOf(source);
    const QString saved = DatabaseBackup::restore(source, options.db, now);
    decrypted.reset();
    QString text = QStringLiteral("已用 %1 恢复 %2。").arg(shown(options.from), shown(options.db));
    if (!saved.isEmpty())
        text += QStringLiteral("原来的文件已备份为 %1").arg(shown(saved));
    out << text << Qt::endl;
    QString detail = QStringLiteral("从 %1 还原（%2）")
                         .arg(QFileInfo(options.from).fileName(), BackupList::historyText(contents, encrypted));
    if (!saved.isEmpty())
        detail += QStringLiteral("；原来的文件已备份为 %1").arg(QFileInfo(saved).fileName());
    recordRestore(options, detail, out);
}

} // namespace Commands
