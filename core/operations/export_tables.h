#pragma once

#include <QString>
#include <QStringList>

#include "platform/output_target.h"
#include "platform/progress.h"

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

    // Asked before a file already at `into` is replaced (it may also throw to
    // refuse with its own message); without one such a file stays.
    void setReplaceConsent(ReplaceConsent consent) { m_consent = std::move(consent); }

    // Button5Click. The workbook, the last selected table's sheet first, is saved
    // at `into`, or under a dated name in the 导出 folder and then opened.
    // Returns the file written, empty when none was. Refused (AppError) before
    // any table is read when a table name cannot be a sheet name or `into` may
    // not take a workbook (OutputTarget); a failure midway writes nothing.
    // Progress counts the tables written; a stop keeps the sheets done so far,
    // saves them and says so.
    QString run(const QStringList &tables, Structure structure, const QString &into = QString(),
                const Progress &progress = {});

    // Why the table cannot become a sheet, naming it (what to do, then the
    // spreadsheet's reason on a second line); empty when it can.
    static QString sheetNameRefusal(const QString &table);

private:
    Database &m_db;
    Services &m_services;
    ReplaceConsent m_consent;
};

// The select list for the Init1 structure: every Init1 column in Init1's order,
// as its name when Init2 has it (letter case ignored), else as ' ' as <name>;
// joined by ", " after one blank.
QString BuildExportColumnList(const QStringList &init1Columns, const QStringList &init2Columns);

// The sheet as the export lays it out: every cell in text format, the result's
// column names in row 1, its rows from row 2, the used columns fitted.
void FillSheetFromQuery(const QueryResult &result, XlsxSheet &sheet);
