#pragma once

#include <QString>
#include <QStringList>

class Database;
struct QueryResult;
struct Services;
class XlsxSheet;

// "导出" on the management tab: each selected table becomes a worksheet of a
// new workbook, with the table's own columns or the national structure of
// Init1. Used from the user-interface thread; blocks until done.
class ExportTablesToSheets
{
public:
    enum class Structure { Init1, Init2 };

    ExportTablesToSheets(Database &db, Services &services);

    // Button5Click. The workbook, the last selected table's sheet first, is saved
    // at `into`, or under a dated name in the 导出 folder and then opened.
    // Returns the file written, empty when none was.
    QString run(const QStringList &tables, Structure structure, const QString &into = QString());

private:
    Database &m_db;
    Services &m_services;
};

// The select list for the Init1 structure: every Init1 column in Init1's order,
// as its name when Init2 has it (letter case ignored), else as ' ' as <name>;
// joined by ", " after one blank.
QString BuildExportColumnList(const QStringList &init1Columns, const QStringList &init2Columns);

// The sheet as the export lays it out: every cell in text format, the result's
// column names in row 1, its rows from row 2, the used columns fitted.
void FillSheetFromQuery(const QueryResult &result, XlsxSheet &sheet);
