#pragma once

#include <functional>
#include <optional>

#include <QDateTime>
#include <QDialog>
#include <QStringList>

#include "core/import/class_import.h"

class Database;
class RegionTables;
struct Services;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// The import of the management tab: the teacher picks (or types or pastes)
// a spreadsheet and the class table (an existing one, or a new class made on
// import after asking), sees what the import would do (counts, and every row left out
// with its reasons), chooses what happens to duplicates, may save the rows
// left out as a workbook, and confirms. Nothing is written to the database
// before 导入 is pressed; closing the dialog writes nothing. Built in code: its
// controls sit in layouts, not in a drawn form. User-interface thread only.
class ImportDialog final : public QDialog
{
    Q_OBJECT

public:
    // tables: the class tables offered; preselected: the class of this run.
    // now: the date the birth-date rule measures against.
    ImportDialog(Database &db, Services &services, const RegionTables &regions, QDateTime now,
                 const QStringList &tables, const QString &preselected, QWidget *parent = nullptr);
    ~ImportDialog() override;

    // How a path is asked for; by default a file dialog. Empty: the user cancelled.
    using PathChooser = std::function<QString()>;
    void setFileChooser(PathChooser chooser) { m_chooseFile = std::move(chooser); }
    void setReportPathChooser(PathChooser chooser) { m_chooseReportPath = std::move(chooser); }

    // Rows the confirmed import inserted; 0 before or without one.
    int importedRows() const { return m_imported; }
    // The plan shown, if any (for the code that looks at the preview).
    const std::optional<ImportPlan> &plan() const { return m_plan; }

private:
    void pickFile();
    // Reads and checks the file again for the current choices; shows the outcome.
    void preview();
    void showPlan();
    void saveReport();
    void confirmImport();
    ImportDuplicates duplicates() const;

    Database &m_db;
    Services &m_services;
    ClassImport m_import;
    PathChooser m_chooseFile;
    PathChooser m_chooseReportPath;
    std::optional<ImportPlan> m_plan;
    QString m_readFile;  // the file and table the plan was read for, as written
    QString m_readTable;
    int m_imported = 0;

    QLineEdit *m_file = nullptr;
    QLineEdit *m_sheet = nullptr;
    QComboBox *m_table = nullptr;
    QRadioButton *m_skip = nullptr;
    QRadioButton *m_add = nullptr;
    QLabel *m_counts = nullptr;
    QLabel *m_headings = nullptr;
    QTableWidget *m_leftOut = nullptr;
    QPushButton *m_saveReport = nullptr;
    QPushButton *m_confirm = nullptr;
};
