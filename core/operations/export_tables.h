#pragma once

#include <QString>
#include <QStringList>

#include "core/operations/workbook_export.h"
#include "platform/progress.h"

class Database;
struct Services;

// "导出" on the management tab: each selected table becomes a worksheet of a
// new workbook, with the table's own columns or the national structure of
// Init1. Shows, asks and opens nothing: it returns what it came to (see
// WorkbookExport). Used from one thread at a time; blocks until done.
class ExportTablesToSheets
{
public:
    enum class Structure { Init1, Init2 };

    // Of the services only the clock and the program folder are used.
    ExportTablesToSheets(Database &db, Services &services);

    // The user's word on replacing a file already at `into`; without it such a
    // file stays and run() returns NeedsConsent before anything is read.
    void setReplaceExisting(bool replace) { m_replace = replace; }

    // Button5Click. The workbook, the last selected table's sheet first, is saved
    // at `into`, or under a dated name in the 导出 folder (for the caller to open).
    // No tables: NothingChosen with the hint. Refused (AppError) before
    // any table is read when a table name cannot be a sheet name or `into` may
    // not take a workbook (OutputTarget); a failure midway writes nothing and
    // throws AppError saying which table failed and the engine's text.
    // Progress counts the tables written; a stop keeps the sheets done so far,
    // saves them and says so.
    WorkbookExport run(const QStringList &tables, Structure structure, const QString &into = QString(),
                       const Progress &progress = {});

    // Why the table cannot become a sheet, naming it (what to do, then the
    // spreadsheet's reason on a second line); empty when it can.
    static QString sheetNameRefusal(const QString &table);

private:
    Database &m_db;
    Services &m_services;
    bool m_replace = false;
};

// The select list for the Init1 structure: every Init1 column in Init1's order,
// as its name when Init2 has it (letter case ignored), else as ' ' as <name>;
// joined by ", " after one blank.
QString BuildExportColumnList(const QStringList &init1Columns, const QStringList &init2Columns);
