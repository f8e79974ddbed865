// The 备份 tab's backups to and restores from files the user chooses.
#include "backup_tab.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/keeping/history.h"
#include "core/operations/encrypted_backup.h"
#include "entry/password_dialog.h"
#include "manage/backup_target_dialog.h"
#include "platform/busy_cursor.h"
#include "platform/database_backup.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/sql_database.h"

namespace {

const QString kFilter = QStringLiteral("备份文件 (*.tavro *.db);;所有文件 (*)");

} // namespace

BackupTab::Asks BackupTab::realAsks()
{
    Asks asks;
    asks.saveFile = [this] {
        const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::HomeLocation))
                                      .filePath(QStringLiteral("学籍备份-%1.tavro")
                                                    .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
        // An existing file is refused by the backup itself: the dialog asks no question about replacing it.
        return QFileDialog::getSaveFileName(this, QStringLiteral("备份到"), suggested, kFilter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    asks.openFile = [this] { return QFileDialog::getOpenFileName(this, QStringLiteral("从文件恢复"), QString(), kFilter); };
    asks.encryption = [this](const QString &target, bool encryptByDefault) -> std::optional<bool> {
        BackupTargetDialog dialog(target, encryptByDefault, this);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.encrypt();
    };
    asks.password = [this](bool isNew, const QString &fileName, const QString &note) {
        const QString explanation =
            isNew ? QStringLiteral("请为备份 %1 设置密码（至少 6 个字符）。恢复时要输入它；密码忘记了，谁也打不开这份备份。")
                        .arg(fileName)
                  : QStringLiteral("%1 是加密的备份，请输入它的密码。").arg(fileName);
        PasswordDialog dialog(isNew ? PasswordDialog::Kind::New : PasswordDialog::Kind::Existing,
                              isNew ? QStringLiteral("加密备份") : QStringLiteral("加密的备份"), explanation, this);
        dialog.setNote(note);
        return dialog.exec() == QDialog::Accepted ? dialog.password() : QString();
    };
    return asks;
}

void BackupTab::backupToFile()
{
    auto *file = dynamic_cast<SqlDatabase *>(&m_db);
    if (!file)
        return;
    const QString target = m_asks.saveFile();
    if (target.isEmpty())
        return;
    runGuarded(m_services.messages, [&] {
        // A target that would be refused is told before anything is asked.
        EncryptedBackup::ensureTarget(file->filePath(), target);
        const std::optional<bool> encrypt =
            m_asks.encryption(target, BackupTargetDialog::leavesBackupFolder(target, file->filePath()));
        if (!encrypt)
            return;
        BackupList::Entry made;
        if (*encrypt) {
            const QString password = m_asks.password(true, QFileInfo(target).fileName(), QString());
            if (password.isEmpty())
                return;
            BusyCursor busy;
            made = EncryptedBackup::write(*file, target, password);
        } else {
            BusyCursor busy;
            DatabaseBackup::copyTo(*file, target);
            made = BackupList::contentsOf(QFileInfo(target).absoluteFilePath());
        }
        HistoryEntry line;
        line.kind = QStringLiteral("备份");
        line.detail = QStringLiteral("备份到 %1（%2）").arg(QFileInfo(target).fileName(), BackupList::historyText(made, *encrypt));
        History::recordReadOut(m_db, line);
        showBackups();
        const QString shown = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
        m_services.messages.showMessage(
            *encrypt ? QStringLiteral("已加密备份到 %1。\n请记住密码：没有密码，谁也打不开这份备份。").arg(shown)
                     : QStringLiteral("已备份到 %1（没有加密）。").arg(shown));
    });
}

void BackupTab::restoreFromFile()
{
    if (m_db.filePath().isEmpty())
        return;
    const QString from = m_asks.openFile();
    if (from.isEmpty())
        return;
    runGuarded(m_services.messages, [&] {
        const QString name = QFileInfo(from).fileName();
        const bool encrypted = EncryptedCopy::isEncrypted(from);
        std::optional<EncryptedBackup::Decrypted> decrypted;
        for (QString note; encrypted && !decrypted;) {
            const QString password = m_asks.password(false, name, note);
            if (password.isEmpty())
                return;
            try {
                BusyCursor busy;
                decrypted.emplace(from, m_db.filePath(), password);
            } catch (const EncryptedCopy::WrongPassword &) {
                note = QStringLiteral("密码不对，请再输入一次。");
            }
        }
        const QString source = encrypted ? decrypted->path() : QFileInfo(from).absoluteFilePath();
        const BackupList::Entry contents = BackupList::contentsOf(source);
        if (contents.classes < 0)
            throw FileError(QStringLiteral("%1 不是本程序可以恢复的备份，数据库原样未动。请另选一份备份。\n%2")
                                .arg(QDir::toNativeSeparators(QFileInfo(from).absoluteFilePath()), contents.problem));
        restoreCopy(source, QStringLiteral("文件 %1").arg(name), from, contents.classes, contents.pupils, encrypted);
    });
}
