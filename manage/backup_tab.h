#pragma once

#include <QList>
#include <QWidget>

#include "core/operations/backup_list.h"

class Database;
class QLabel;
class QPushButton;
class QTableWidget;
struct Services;

// The management window's tab "备份": the backups of the local database file
// (date, size, classes, pupils), a backup made now, and a restore after the
// user's word, with the program's own connection closed around it. On a
// server the tab only says who backs it up. Used from the user-interface thread only.
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

signals:
    // The database was replaced by a backup: every list shown is out of date.
    void restored();

private:
    void backupNow();
    void restoreChosen();

    Database &m_db;
    Services &m_services;
    QLabel *m_where;
    QTableWidget *m_table;
    QPushButton *m_backup;
    QPushButton *m_restore;
    QList<BackupList::Entry> m_entries;
};
