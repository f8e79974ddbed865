#include "backup_target_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/database_backup.h"

BackupTargetDialog::BackupTargetDialog(const QString &target, bool encryptByDefault, QWidget *parent)
    : QDialog(parent), m_encrypt(new QCheckBox(QStringLiteral("加密（带出学校时请务必加密）"), this))
{
    setWindowTitle(QStringLiteral("备份到文件"));
    setAccessibleName(windowTitle());
    auto *layout = new QVBoxLayout(this);
    auto *where = new QLabel(QStringLiteral("备份到：%1").arg(QDir::toNativeSeparators(target)), this);
    where->setWordWrap(true);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    m_encrypt->setObjectName(QStringLiteral("encrypt"));
    m_encrypt->setAccessibleName(QStringLiteral("加密"));
    m_encrypt->setChecked(encryptByDefault);
    layout->addWidget(m_encrypt);
    auto *note = new QLabel(QStringLiteral("加密的备份只有知道密码的人才能打开和恢复；密码忘记了，谁也打不开它。"), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("备份"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(420);
}

bool BackupTargetDialog::encrypt() const
{
    return m_encrypt->isChecked();
}

bool BackupTargetDialog::leavesBackupFolder(const QString &target, const QString &dbPath)
{
    // Compared resolved where the folders exist, so another spelling of 备份 counts as inside.
    auto resolved = [](const QString &folder) {
        const QFileInfo info(folder);
        return info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    };
    const QString folder = resolved(DatabaseBackup::folderFor(dbPath));
    const QString targetFolder = resolved(QFileInfo(target).absolutePath());
    return targetFolder != folder && !targetFolder.startsWith(folder + QLatin1Char('/'));
}
