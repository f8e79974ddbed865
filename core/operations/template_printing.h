#pragma once

#include <exception>
#include <memory>

#include <QString>
#include <QStringList>

#include "core/operations/workbook_export.h"
#include "core/operations/print_template_geometry.h"
#include "platform/progress.h"
#include "platform/query_result.h"

class Database;
class SpreadsheetRenderer;
struct Services;
class QTemporaryDir;

// The print tab's three operations on the print template "打印模板" beside
// the executable: preview one student, print the selected students one by
// one, export them all into one multi-person sheet. Records come as the
// list's record items ("7    张三"); the table is named as the user chose it.
// Shows, asks and opens nothing: each call returns what it came to, and a
// failure throws AppError saying what failed, the system's text on a second
// line. Used from one thread at a time; each call blocks until it is done.
class TemplatePrinting
{
public:
    // A rendered preview: the PDF in a temporary folder that goes when the
    // last copy of this goes. No pdf: nothing to show.
    struct Preview
    {
        std::shared_ptr<QTemporaryDir> folder;
        QString pdf;
    };

    // What printing came to: nothing chosen (`message` the hint, or empty when
    // no item had an id), or `printed` of `total` sent and the closing text.
    struct PrintRun
    {
        bool chosen = false;
        int printed = 0;
        int total = 0;
        qint64 seconds = 0;
        QString message;
    };

    TemplatePrinting(Database &db, Services &services, const SpreadsheetRenderer &renderer);

    // The user's word on replacing a file already at exportStudents' `into`;
    // without it such a file stays and the export returns NeedsConsent.
    void setReplaceExisting(bool replace) { m_replace = replace; }

    // Button1Click: the student of the focused item (the first when none has
    // the focus) in the template, rendered for the caller's modal preview.
    Preview preview(const QString &table, const QStringList &items, int focusedIndex);

    // Button2Click: the selected students in name order, each filled into the
    // template and printed as it is at that moment. Progress counts the
    // students sent to the printer; a stop ends after the current one and the
    // closing text says how many were sent.
    PrintRun printEach(const QString &table, const QStringList &selectedItems, const Progress &progress = {});

    // Button3Click: one sheet holding a filled copy of the template block for
    // every selected student, 50 rows each, saved in front of the template as a
    // new workbook that prints that sheet alone (the others hidden): at `into`,
    // or under a dated name in the 导出 folder (for the caller to open).
    // Refused (AppError) before anything is read when more students are
    // selected than a sheet holds or `into` may not take a workbook (OutputTarget).
    // Progress counts the students written into the sheet; a stop keeps the
    // students done so far, saves them and says so.
    WorkbookExport exportStudents(const QString &table, const QStringList &selectedItems, const QString &into = QString(),
                                  const Progress &progress = {});

    // The hint when printing or exporting is asked for with no student chosen.
    static QString chooseStudentsFirstText();

    // SelectedIdList: the ids of the items (ExtractRecordId), joined by ","
    // (items without an id skipped).
    static QString selectedIdList(const QStringList &items);

    static constexpr const char *TemplateSheet = "打印模板";
    static constexpr int RowsPerStudent = PrintTemplateGeometry::kBlockRows;
    static constexpr int SheetRows = 1048576;
    static constexpr int MaxStudentsPerSheet = SheetRows / RowsPerStudent;
    // Students rendered by one LibreOffice run while printing.
    static constexpr int PrintBatch = 10;

    // The refusal of a multi-person export of that many students: how many fit, to export in parts.
    static QString tooManyStudentsText(int students);

private:
    // The table's rows matching the condition; a failure is reported as `failed` and the table.
    QueryResult readStudents(const QString &failed, const QString &table, const QString &condition);
    static QString failureText(const std::exception &e);
    // A printing failure after `printed` of `total` jobs were sent: that, then what to do.
    static QString printFailureText(int printed, int total, const QString &what);

    Database &m_db;
    Services &m_services;
    const SpreadsheetRenderer &m_renderer;
    bool m_replace = false;
};
