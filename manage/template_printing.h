#pragma once

#include <exception>
#include <functional>

#include <QString>
#include <QStringList>

#include "core/operations/print_template_geometry.h"
#include "platform/output_target.h"
#include "platform/progress.h"
#include "platform/query_result.h"

class Database;
class SpreadsheetRenderer;
struct Services;
class QWidget;

// The print tab's three operations on the print template "打印模板" beside
// the executable: preview one student, print the selected students one by
// one, export them all into one multi-person sheet. Records come as the
// list's record items ("7    张三"); the table is named as the user chose it.
// Used from the user-interface thread; each call blocks until it is done.
class TemplatePrinting
{
public:
    TemplatePrinting(Database &db, Services &services, const SpreadsheetRenderer &renderer);

    // Called before the closing message, so that the calling window comes to the front again.
    void setBringToFront(std::function<void()> bringToFront) { m_bringToFront = std::move(bringToFront); }

    // Asked before a file already at exportStudents' `into` is replaced (it
    // may also throw to refuse with its own message); without one it stays.
    void setReplaceConsent(ReplaceConsent consent) { m_consent = std::move(consent); }

    // Button1Click: the student of the focused item (the first when none has
    // the focus) in the template, rendered and shown in a modal preview. Its
    // files live in a temporary folder, removed when the preview closes.
    void preview(QWidget *owner, const QString &table, const QStringList &items, int focusedIndex);

    // Button2Click: the selected students in name order, each filled into the
    // template and printed as it is at that moment. Progress counts the
    // students sent to the printer; a stop ends after the current one and the
    // closing message says how many were sent.
    void printEach(const QString &table, const QStringList &selectedItems, const Progress &progress = {});

    // Button3Click: one sheet holding a filled copy of the template block for
    // every selected student, 50 rows each, saved in front of the template as a
    // new workbook that prints that sheet alone (the others hidden): at `into`, or under a dated name in the 导出 folder and
    // then opened. Returns the file written, empty when none was. Refused
    // before anything is read when more students are selected than a sheet
    // holds or `into` may not take a workbook (OutputTarget).
    // Progress counts the students written into the sheet; a stop keeps the
    // students done so far, saves them and says so.
    QString exportStudents(const QString &table, const QStringList &selectedItems, const QString &into = QString(),
                           const Progress &progress = {});

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
    void finish(const QString &text);
    // The table's rows matching the condition; a failure is reported as `failed` and the table.
    QueryResult readStudents(const QString &failed, const QString &table, const QString &condition);
    static QString failureText(const std::exception &e);
    // A printing failure after `printed` of `total` jobs were sent: that, then what to do.
    static QString printFailureText(int printed, int total, const QString &what);

    Database &m_db;
    Services &m_services;
    const SpreadsheetRenderer &m_renderer;
    std::function<void()> m_bringToFront;
    ReplaceConsent m_consent;
};
