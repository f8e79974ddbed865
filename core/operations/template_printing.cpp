#include "template_printing.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>

#include "core/operations/fill_template_sheet.h"
#include "core/operations/print_files.h"
#include "core/operations/print_template_geometry.h"
#include "core/operations/student_blocks_stream.h"
#include "core/record/record_item.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/desktop.h"
#include "platform/output_target.h"
#include "platform/services.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/table_name.h"
#include "platform/sql_text.h"
#include "xlsx/xlsx_workbook.h"

namespace {

QString elapsedText(const QDateTime &start, const QDateTime &end)
{
    return QString::number(start.secsTo(end));
}

QString workFolderTemplate()
{
    return QDir::tempPath() + QStringLiteral("/tavro-print-XXXXXX");
}

// A record id from a list item as it stands in a statement: a whole number as
// written, anything else (a foreign table's text key) as a quoted literal, so
// that no item text can add to the statement.
QString idValue(const QString &id)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+$"));
    return number.match(id).hasMatch() ? id : SqlText::quote(id);
}

} // namespace

TemplatePrinting::TemplatePrinting(Database &db, Services &services, const SpreadsheetRenderer &renderer)
    : m_db(db), m_services(services), m_renderer(renderer)
{
}

QString TemplatePrinting::selectedIdList(const QStringList &items)
{
    QStringList ids;
    for (const QString &item : items) {
        const QString id = RecordItem::idText(item);
        if (!id.isEmpty())
            ids << idValue(id);
    }
    return ids.join(QLatin1Char(','));
}

QString TemplatePrinting::chooseStudentsFirstText()
{
    return QStringLiteral("必选先选定记录");
}

// Every failure is reported with what failed, the system's own text on a
// second line; no closing message claims done what was not, and no file is
// written from half-done work.

TemplatePrinting::Preview TemplatePrinting::preview(const QString &table, const QStringList &items, int focusedIndex)
{
    if (items.isEmpty())
        return {};
    const int index = focusedIndex >= 0 && focusedIndex < items.size() ? focusedIndex : 0;
    const QString id = RecordItem::idText(items.at(index));
    if (id.isEmpty())
        return {};

    const QString templatePath = PrintFiles::locateTemplate(m_services, m_renderer);
    if (!m_renderer.isAvailable())
        throw SpreadsheetError(PrintFiles::spreadsheetMissingText());
    XlsxWorkbook book = XlsxWorkbook::open(templatePath);

    auto work = std::make_shared<QTemporaryDir>(workFolderTemplate());
    if (!work->isValid())
        throw FileError(QStringLiteral("预览失败：无法建立临时文件夹。请检查临时文件夹的磁盘空间。\n") + work->errorString());
    const QString page = work->filePath(QStringLiteral("preview.xlsx"));
    const QueryResult result = readStudents(QStringLiteral("预览失败"), table, QStringLiteral(" where id = ") + idValue(id));
    if (result.isEmpty())
        return {}; // deleted meanwhile: nothing to show
    try {
        XlsxSheet &sheet = book.sheet(QString::fromUtf8(TemplateSheet));
        book.activate(sheet);
        FillTemplateSheet(result, 0, sheet, 1);
        // The preview shows the template sheet alone, as a sheet's print preview does.
        book.hideAllBut(sheet);
        book.saveAs(page);
    } catch (const std::exception &e) {
        throw AppError(QStringLiteral("预览失败：按打印模板填写时出错。请检查 Template.xlsx 中的工作表“打印模板”。\n")
                       + failureText(e));
    }

    // The preview's files live in the temporary folder only and go with it
    // when the caller drops the preview after showing it.
    const QString pdf = m_renderer.renderPdf(page, work->path());
    return {work, pdf};
}

TemplatePrinting::PrintRun TemplatePrinting::printEach(const QString &table, const QStringList &selectedItems,
                                                      const Progress &progress)
{
    PrintRun run;
    if (selectedItems.isEmpty()) {
        run.message = chooseStudentsFirstText();
        return run;
    }
    const QString ids = selectedIdList(selectedItems);
    if (ids.isEmpty())
        return run;
    run.chosen = true;

    // The time taken counts the work alone, from here to the last job sent.
    const QDateTime start = m_services.clock.now();
    const QString templatePath = PrintFiles::locateTemplate(m_services, m_renderer);
    if (!m_renderer.isAvailable() || !m_services.desktop.canPrint())
        throw SpreadsheetError(PrintFiles::spreadsheetMissingText());
    XlsxWorkbook book = XlsxWorkbook::open(templatePath);

    QTemporaryDir work(workFolderTemplate());
    if (!work.isValid())
        throw FileError(QStringLiteral("打印失败：无法建立临时文件夹。请检查临时文件夹的磁盘空间。\n") + work.errorString());
    const QString failed = QStringLiteral("打印失败，没有送出任何打印");
    const QueryResult result =
        readStudents(failed, table, QStringLiteral(" where id in (") + ids + QStringLiteral(") order by 姓名"));
    const int total = result.rowCount();
    XlsxSheet *sheet = nullptr;
    try {
        sheet = &book.sheet(QString::fromUtf8(TemplateSheet));
        // Each printout holds the template sheet alone, not the workbook's other sheets.
        book.hideAllBut(*sheet);
    } catch (const std::exception &e) {
        throw AppError(failed + QStringLiteral("：请检查 Template.xlsx 中的工作表“打印模板”。\n") + failureText(e));
    }

    // Rows grown for one student's long values are back at the template's
    // height for the next student.
    double heights[RowsPerStudent];
    for (int i = 0; i < RowsPerStudent; ++i)
        heights[i] = sheet->rowHeight(i + 1);

    // A few students at a time are filled, rendered by one LibreOffice run and
    // sent as one job each, so that a stop comes soon and keeps what was sent.
    int printed = 0;
    bool goOn = reportProgress(progress, 0, total);
    while (goOn && printed < total) {
        QStringList copies; // the filled template as it was for each student
        try {
            for (int row = printed; row < std::min(total, printed + PrintBatch); ++row) {
                for (int i = 0; i < RowsPerStudent; ++i) {
                    if (sheet->rowHeight(i + 1) != heights[i])
                        sheet->setRowHeight(i + 1, heights[i]);
                }
                FillTemplateSheet(result, row, *sheet, 1);
                const QString copy = work.filePath(QStringLiteral("%1.xlsx").arg(row + 1, 4, 10, QLatin1Char('0')));
                book.saveAs(copy, 1);
                copies << copy;
            }
        } catch (const std::exception &e) {
            throw AppError(printFailureText(printed, total, QStringLiteral("按打印模板填写第 %1 名学生时出错。请检查 Template.xlsx 中的工作表“打印模板”").arg(printed + copies.size() + 1))
                           + QLatin1Char('\n') + failureText(e));
        }
        for (const QString &pdf : m_renderer.convert(copies, QStringLiteral("pdf"), work.path())) {
            const QString refused = m_services.desktop.printPdf(pdf);
            if (!refused.isEmpty()) {
                const QString first = m_services.desktop.meansNoPrinter(refused)
                    ? QStringLiteral("没有设置打印机，已打印 %1 名学生，其余 %2 名没有打印。"
                                     "请在系统的打印机设置中添加打印机并设为默认打印机，再打印%3。")
                          .arg(printed)
                          .arg(total - printed)
                          .arg(printed == 0 ? QStringLiteral("这些学生") : QStringLiteral("其余的学生"))
                    : printFailureText(printed, total, QStringLiteral("请检查打印机后再试"));
                throw AppError(first + QLatin1Char('\n') + refused);
            }
            ++printed;
            goOn = reportProgress(progress, printed, total);
            if (!goOn)
                break;
        }
    }
    const QDateTime end = m_services.clock.now();
    run.printed = printed;
    run.total = total;
    run.seconds = start.secsTo(end);
    if (printed < total)
        run.message = QStringLiteral("打印已停止：已送出 %1 名学生的打印，其余 %2 名没有打印。\r\n耗时 ").arg(printed).arg(total - printed)
            + elapsedText(start, end) + QStringLiteral("s.");
    else
        run.message = QString::number(total) + QStringLiteral(" 条记录设置打印完毕。\r\n耗时 ") + elapsedText(start, end) + QStringLiteral("s.");
    return run;
}

QString TemplatePrinting::printFailureText(int printed, int total, const QString &what)
{
    if (printed == 0)
        return QStringLiteral("打印失败，没有送出任何打印：") + what + QStringLiteral("。");
    return QStringLiteral("已送出 %1 名学生的打印，其余 %2 名没有送出：").arg(printed).arg(total - printed) + what
        + QStringLiteral("。");
}

QString TemplatePrinting::tooManyStudentsText(int students)
{
    return QStringLiteral("选了 %1 名学生，一个工作表最多只能放 %2 名（每人 %3 行，共 %4 行）。没有导出。请分几次导出，每次不超过 %2 名。")
        .arg(students)
        .arg(MaxStudentsPerSheet)
        .arg(RowsPerStudent)
        .arg(SheetRows);
}

WorkbookExport TemplatePrinting::exportStudents(const QString &table, const QStringList &selectedItems, const QString &into,
                                                const Progress &progress)
{
    WorkbookExport outcome;
    if (selectedItems.isEmpty()) {
        outcome.message = chooseStudentsFirstText();
        return outcome;
    }
    const QString ids = selectedIdList(selectedItems);
    if (ids.isEmpty())
        return outcome;
    // The sheet's rows are counted before anything is read or written.
    const int selected = int(ids.count(QLatin1Char(','))) + 1;
    if (selected > MaxStudentsPerSheet)
        throw AppError(tooManyStudentsText(selected));

    const OutputTarget target(m_db.filePath(), m_services.programDir);
    const std::optional<AtomicFile::Existing> admitted = admitExportFile(target, into, m_replace, outcome);
    if (!admitted)
        return outcome;
    const AtomicFile::Existing existing = *admitted;

    // The time taken counts the work alone: not the question before, nor the
    // application opening the file (which may say it cannot) after.
    const QDateTime start = m_services.clock.now();
    const QString templatePath = PrintFiles::locateTemplate(m_services, m_renderer);
    XlsxWorkbook book = XlsxWorkbook::open(templatePath);
    const QString failed = QStringLiteral("多人打印表没有导出，没有写出文件");
    const QueryResult result =
        readStudents(failed, table, QStringLiteral(" where id in (") + ids + QStringLiteral(") order by 姓名"));
    if (result.rowCount() > MaxStudentsPerSheet)
        throw AppError(tooManyStudentsText(result.rowCount()));

    const int total = result.rowCount();
    int exported = total;
    XlsxSheet *sheet = nullptr;
    try {
        XlsxSheet &source = book.sheet(QString::fromUtf8(TemplateSheet));
        sheet = &book.copySheetToFront(source);
        // The sheet holds the template's block once, at the template's heights
        // in whole points (halves to the even neighbour); the file gets one
        // filled copy of it per student as it is written.
        source.copyRange(PrintTemplateGeometry::blockRange(1), *sheet, PrintTemplateGeometry::blockRange(1));
        for (int i = 0; i < RowsPerStudent; ++i)
            sheet->setRowHeight(1 + i, std::nearbyint(source.rowHeight(i + 1)));
        sheet->clearPrintArea();
        for (XlsxSheet::Margin m : {XlsxSheet::Margin::Left, XlsxSheet::Margin::Right, XlsxSheet::Margin::Top,
                                    XlsxSheet::Margin::Bottom, XlsxSheet::Margin::Header, XlsxSheet::Margin::Footer})
            sheet->setMargin(m, source.margin(m));
        sheet->setRightFooter(QStringLiteral("页码 &P"));
        // The workbook prints one page per student: the template sheet (and
        // any other sheet of the school's workbook) stays in it, hidden and
        // without a print area (LibreOffice prints a hidden sheet that has one).
        book.hideAllBut(*sheet);
        for (int i = 1; i <= book.sheetCount(); ++i) {
            if (&book.sheet(i) != sheet)
                book.sheet(i).clearPrintArea();
        }
    } catch (const std::exception &e) {
        throw AppError(failed + QStringLiteral("：按打印模板填写时出错。请检查 Template.xlsx 中的工作表“打印模板”。\n")
                       + failureText(e));
    }

    if (total > 0 && !reportProgress(progress, 0, total)) {
        outcome.total = total;
        outcome.outcome = WorkbookExport::Outcome::Stopped;
        outcome.message = QStringLiteral("导出已停止，没有写出文件。");
        return outcome;
    }
    const QString output = into.isEmpty() ? PrintFiles::newOutputPath(m_services, QStringLiteral("多人打印_") + table) : into;
    target.ensureAllowed(output, OutputTarget::Kind::Workbook);
    // The students' blocks are made as the file is written. A stop midway
    // writes the file again with the students done (no half file is kept).
    Progress reporting = progress;
    for (;;) {
        try {
            StudentBlocksStream blocks(*sheet, result, exported, reporting);
            book.saveStreaming(output, existing, {{sheet, &blocks}});
            break;
        } catch (const StudentBlocksStream::Stopped &stop) {
            exported = stop.written;
            reporting = {};
        } catch (const SpreadsheetError &) {
            throw;
        } catch (const FileError &) {
            throw;
        } catch (const std::exception &e) {
            throw AppError(failed + QStringLiteral("：按打印模板填写时出错。请检查 Template.xlsx 中的工作表“打印模板”。\n")
                           + failureText(e));
        }
    }
    outcome.done = exported;
    outcome.total = total;
    const QDateTime end = m_services.clock.now();
    outcome.outcome = WorkbookExport::Outcome::Written;
    outcome.path = output;
    outcome.seconds = start.secsTo(end);
    if (exported < total)
        outcome.message = QStringLiteral("导出已停止：已导出的 %1 条记录已保存，其余 %2 条没有导出。\r\n耗时 ").arg(exported).arg(total - exported)
            + elapsedText(start, end) + QStringLiteral("s.");
    else
        outcome.message = QString::number(total) + QStringLiteral(" 条记录导出完毕。\r\n耗时 ") + elapsedText(start, end) + QStringLiteral("s.");
    return outcome;
}

QueryResult TemplatePrinting::readStudents(const QString &failed, const QString &table, const QString &condition)
{
    try {
        return m_db.query(QStringLiteral("select * from ") + TableName(table).sql(m_db) + condition);
    } catch (const AppError &e) {
        throw AppError(failed + QStringLiteral("：读取表“%1”时出错。请检查这个表后再试。\n").arg(table) + e.text());
    }
}

QString TemplatePrinting::failureText(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const AppError *>(&e))
        return error->text();
    return QString::fromLocal8Bit(e.what());
}
