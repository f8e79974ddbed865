#pragma once

#include <QDialog>
#include <QList>

#include "core/keeping/history.h"

class Database;
struct Services;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

// 修改记录 of the management window: the school's history filtered by class,
// date range and kind, exportable as a workbook into 导出. Reads through
// History and shows; writes nothing to the database. Used from the
// user-interface thread only.
class SchoolHistoryDialog final : public QDialog
{
    Q_OBJECT

public:
    SchoolHistoryDialog(Database &db, Services &services, const QStringList &classTables, QWidget *parent = nullptr);

    // The kinds the filter offers after 全部.
    static const QStringList &kinds();

    QComboBox *classBox() const { return m_class; }
    QComboBox *kindBox() const { return m_kind; }
    QDateEdit *fromBox() const { return m_from; }
    QDateEdit *toBox() const { return m_to; }
    QTableWidget *table() const { return m_table; }
    QPushButton *exportButton() const { return m_export; }

    // Reads the lines the filters let through and shows them.
    void showLines();
    // Writes the lines shown to a new workbook in 导出 and opens it; returns its path.
    QString exportLines();

private:
    HistoryFilter filter() const;

    Database &m_db;
    Services &m_services;
    QComboBox *m_class;
    QComboBox *m_kind;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QLabel *m_count;
    QTableWidget *m_table;
    QPushButton *m_export;
    QList<HistoryLine> m_lines;
};
