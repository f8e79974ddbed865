#pragma once

#include <memory>

#include <QDateTime>
#include <QDialog>
#include <QStringList>

#include "core/operations/data_checks.h"
#include "manage/presented_operations.h"
#include "platform/spreadsheet_renderer.h"

class Database;
class RegionTables;
class BackupTab;
class WebFormTab;
class FindPupilTab;
class SchoolRegionTab;
struct Services;
class QComboBox;
class QListWidget;
class QPushButton;

namespace Ui {
class TForm3;
}

// The teacher's management window "管理模块": on the print tab one table and
// some of its students for template printing, on the management tab any
// number of tables for merging, export, data checks and region code padding.
// Created once, shown modally from the entry form; every showing refills the
// table lists. Used from the user-interface thread only.
class ManagementWindow final : public QDialog
{
    Q_OBJECT

public:
    ManagementWindow(Database &db, Services &services, QWidget *parent = nullptr);
    ~ManagementWindow() override;

    // The table chosen on the print tab: the listed name that cbTable's text
    // names, or empty when the text names no listed table.
    QString currentTable() const;
    // ListBox1's record items: the selected ones top to bottom, and the focused one.
    QStringList selectedRecordItems() const;
    QString focusedRecordItem() const;
    // The characters of a record item before its first blank (the record's id).
    static QString ExtractRecordId(const QString &item);

    // The names of the selected items of ListBox2, top to bottom.
    QStringList selectedTables() const;
    // The export structure chosen on the management tab: true for Init1.
    bool exportNationalStructure() const;

    // The print tab's buttons and the export button: 预览(单个), 打印,
    // 导出打印模板(多人), 导出.
    QPushButton *previewButton() const;
    QPushButton *printButton() const;
    QPushButton *exportTemplateButton() const;
    QPushButton *exportTablesButton() const;

    // What the import needs of the run: its class table (preselected), the
    // loaded region tables and the start-up date. Without them the import
    // offers the first class table, loads the region tables itself and uses the clock.
    void setClassOfThisRun(const QString &table, const RegionTables *regions, const QDateTime &startup);

    // The tab "学校设置" (the school's default region).
    SchoolRegionTab *schoolTab() const { return m_schoolTab; }
    // The tab "查找学生".
    FindPupilTab *findTab() const { return m_findTab; }
    // The tab "备份".
    BackupTab *backupTab() const { return m_backupTab; }
    WebFormTab *webFormTab() const { return m_webFormTab; }

    // The lists, for the code that acts on them.
    QComboBox *tableBox() const;
    QListWidget *recordList() const;
    QListWidget *tableList() const;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showProgramFolder();
    void FormShow();
    void SelectClassTables();
    // Lists the tables again after one was added or replaced, keeping the
    // chosen table, the picked students and the picked tables.
    void refreshLists();
    // The class tables the 网上填报 tab offers.
    void showWebFormClasses();
    void cbTableChange(const QString &text);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button13Click();
    // The run's region tables, or the window's own loaded on first use. Throws FileError.
    const RegionTables &regionTables();
    // 导入: the import dialog; the lists are read again after an import.
    void Button15Click();
    // The print tab's pupils leave their class (management_lifecycle.cpp):
    // 移出… with a reason, 转班… to another class, 已移出… the kept list.
    void takeOutClick();
    void moveClassClick();
    void keptRecordsClick();
    // The ids of the pupils selected in ListBox1, or none after a hint.
    QList<qint64> selectedIdsOrHint();
    // 修改记录: the school's history, filtered and exportable.
    void historyClick();
    void runCheck(DataChecks::Check check);
    // The selected tables, or an empty list after telling the user to choose some.
    QStringList tablesOrHint();

    std::unique_ptr<Ui::TForm3> m_ui;
    Database &m_db;
    Services &m_services;
    SpreadsheetRenderer m_renderer;
    PresentedTemplatePrinting m_printing;
    QStringList m_tables; // the names listed at the last showing
    bool m_centred = false;
    QString m_classOfThisRun;
    const RegionTables *m_regions = nullptr;
    std::unique_ptr<RegionTables> m_ownRegions; // loaded on the first import without the run's tables
    QDateTime m_startup;
    SchoolRegionTab *m_schoolTab = nullptr;
    FindPupilTab *m_findTab = nullptr;
    BackupTab *m_backupTab = nullptr;
    WebFormTab *m_webFormTab = nullptr;
};
