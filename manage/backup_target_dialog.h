#pragma once

#include <QDialog>

class QCheckBox;

// Asked after the file of a backup elsewhere was chosen: the file, and whether
// to encrypt it, on by default for a target outside the backup folder (a copy
// that leaves the school), off inside it. The check box is named "encrypt".
// Used on the user-interface thread only.
class BackupTargetDialog final : public QDialog
{
    Q_OBJECT

public:
    BackupTargetDialog(const QString &target, bool encryptByDefault, QWidget *parent = nullptr);

    bool encrypt() const;

    // Whether the target lies outside the backup folder of the database dbPath.
    static bool leavesBackupFolder(const QString &target, const QString &dbPath);

private:
    QCheckBox *m_encrypt;
};
