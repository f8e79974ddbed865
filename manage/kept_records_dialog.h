#pragma once

#include <QDialog>
#include <QList>

class Database;
class Messages;
class QCheckBox;
class QTableWidget;

// The records taken out of their classes: 恢复 puts the selected ones back
// into their classes, 彻底删除 deletes them for good after the user's word.
// Used on the user-interface thread only.
class KeptRecordsDialog final : public QDialog
{
    Q_OBJECT

public:
    // classTable: the class shown first (all classes when empty or unticked).
    KeptRecordsDialog(Database &db, Messages &messages, const QString &classTable, QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }
    void bringBackClick();
    void deleteClick();

private:
    void reload();
    QList<qint64> selectedKeptIds() const;

    Database &m_db;
    Messages &m_messages;
    QString m_classTable;
    QCheckBox *m_onlyClass;
    QTableWidget *m_table;
};
