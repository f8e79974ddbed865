#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QWidget>

#include "core/operations/backup_list.h"

class Database;
class QLabel;
class QPushButton;
class QTableWidget;
struct Services;

// The management window's tab "备份": the backups of the local database file
// (date, size, classes, pupils), a backup made now, a backup to a file
// elsewhere (encrypted by default outside the backup folder), and a restore
// of a listed backup or of a chosen file (an encrypted one after its
// password) after the user's word, with the program's own connection closed
// around it. On a server the tab only says who backs it up. Used from the
// user-interface thread only.
class BackupTab final : public QWidget
{
    Q_OBJECT

public:
    BackupTab(Database &db, Services &services, QWidget *parent = nullptr);

    // Lists the backups again.
    void showBackups();

    QTableWidget *backups() const { return m_table; }
    QPushButton *backupButton() const { return m_backup; }
    QPushButton *restoreButton() const { return m_restore; }
    QPushButton *backupToFileButton() const { return m_backupToFile; }
    QPushButton *restoreFileButton() const { return m_restoreFile; }

    // What the tab asks beyond its message boxes; the real ones show file
    // dialogs, BackupTargetDialog and PasswordDialog. A test replaces them.
    struct Asks
    {
        std::function<QString()> saveFile; // the file to back up into; empty: cancelled
        std::function<QString()> openFile; // the file to restore from; empty: cancelled
        // Whether to encrypt the backup into target; nullopt: cancelled.
        std::function<std::optional<bool>(const QString &target, bool encryptByDefault)> encryption;
        // A new password (typed twice) or an existing one, with a note such as
        // a wrong try; empty: cancelled.
        std::function<QString(bool isNew, const QString &fileName, const QString &note)> password;
    };
    void setAsks(Asks asks) { m_asks = std::move(asks); }

signals:
    // The database was replaced by a backup: every list shown is out of date.
    void restored();

private:
    void backupNow();
    void restoreChosen();
    void backupToFile();
    void restoreFromFile();
    // Restores the plain copy at source after the user's word; `described`
    // names it in the question, `origin` is the file named in the history.
    void restoreCopy(const QString &source, const QString &described, const QString &origin, qint64 classes,
                     qint64 pupils, bool encrypted);
    Asks realAsks();

    Database &m_db;
    Services &m_services;
    QLabel *m_where;
    QTableWidget *m_table;
    QPushButton *m_backup;
    QPushButton *m_restore;
    QPushButton *m_backupToFile;
    QPushButton *m_restoreFile;
    Asks m_asks;
    QList<BackupList::Entry> m_entries;
};
