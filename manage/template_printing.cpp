#include "template_printing.h"

#include <cmath>
#include <exception>

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>

#include "manage/fill_template_sheet.h"
#include "manage/print_files.h"
#include "manage/table_lists.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/output_target.h"
#include "platform/services.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/sql_name.h"
#include "platform/sql_text.h"
#include "platform/xlsx_workbook.h"

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
        const QString id = TableLists::extractRecordId(item);
        if (!id.isEmpty())
            ids << idValue(id);
    }
    return ids.join(QLatin1Char(','));
}

void TemplatePrinting::finish(const QString &text)
{
    if (m_bringToFront)
        m_bringToFront();
    m_services.messages.showMessage(text);
}

// Every failure is reported with what failed, the system's own text on a
// second line; no closing message claims done what was not, and no file is
// written from half-done work.

void TemplatePrinting::preview(QWidget *owner, const QString &table, const QStringList &items, int focusedIndex)
{
    if (items.isEmpty())
        return;
    const int index = focusedIndex >= 0 && focusedIndex < items.size() ? focusedIndex : 0;
    const QString id = TableLists::extractRecordId(items.at(index));
    if (id.isEmpty())
        return;

    const QString templatePath = PrintFiles::locateTemplate(m_services, m_renderer);
    if (!m_renderer.isAvailable())
        throw SpreadsheetError(PrintFiles::spreadsheetMissingText());
    XlsxWorkbook book = XlsxWorkbook::open(templatePath);

    QTemporaryDir work(workFolderTemplate());
    if (!work.isValid())
        throw FileError(QStringLiteral("预览失败：无法建立临时文件夹。请检查临时文件夹的磁盘空间。\n") + work.errorString());
    const QString filled = work.filePath(QStringLiteral("filled.xlsx"));
    const QString page = work.filePath(QStringLiteral("preview.xlsx"));
    const QueryResult result = readStudents(QStringLiteral("预览失败"), table, QStringLiteral(" where id = ") + idValue(id));
    if (result.isEmpty())
        return; // deleted meanwhile: nothing to show
    try {
        XlsxSheet &sheet = book.sheet(QString::fromUtf8(TemplateSheet));
        book.activate(sheet);
        FillTemplateSheet(result, 0, sheet, 1);
        book.saveAs(filled);
        // The preview shows the template sheet alone, as a sheet's print preview does.
        book.hideAllBut(sheet);
        book.saveAs(page);
    } catch (const std::exception &e) {
        throw AppError(QStringLiteral("预览失败：按打印模板填写时出错。请检查 Template.xlsx 中的工作表“打印模板”。\n")
                       + failureText(e));
    }

    const QString pdf = m_renderer.renderPdf(page, work.path());
    m_services.desktop.showPreview(owner, pdf);
    const QString output = PrintFiles::newOutputPath(m_services, QStringLiteral("预览_%1_%2").arg(table, id));
    OutputTarget(m_db.filePath(), m_services.programDir).ensureAllowed(output, OutputTarget::Kind::Workbook);
    QFile copy(filled);
    if (!copy.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("预览的工作簿没有保存：无法读取临时文件。\n") + copy.errorString());
    AtomicFile::write(output, copy.readAll(), AtomicFile::Existing::Keep);
    m_services.desktop.openFile(output);
}

void TemplatePrinting::printEach(const QString &table, const QStringList &selectedItems)
{
    const QDateTime start = m_services.clock.now();
    if (selectedItems.isEmpty()) {
        m_services.messages.showMessage(QStringLiteral("必选先选定记录"));
        return;
    }
    const QString ids = selectedIdList(selectedItems);
    if (ids.isEmpty())
        return;

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
    QStringList copies; // the filled template as it was for each student
    try {
        XlsxSheet &sheet = book.sheet(QString::fromUtf8(TemplateSheet));
        // Each printout holds the template sheet alone, not the workbook's other sheets.
        book.hideAllBut(sheet);
        for (int row = 0; row < result.rowCount(); ++row) {
            FillTemplateSheet(result, row, sheet, 1);
            const QString copy = work.filePath(QStringLiteral("%1.xlsx").arg(row + 1, 4, 10, QLatin1Char('0')));
            book.saveAs(copy, 1);
            copies << copy;
        }
        book.activate(sheet);
    } catch (const std::exception &e) {
        throw AppError(failed + QStringLiteral("：按打印模板填写第 %1 名学生时出错。请检查 Template.xlsx 中的工作表“打印模板”。\n")
                                    .arg(copies.size() + 1)
                       + failureText(e));
    }

    // One LibreOffice run renders every copy; then each goes to the printer as its own job.
    if (!copies.isEmpty()) {
        const QStringList pdfs = m_renderer.convert(copies, QStringLiteral("pdf"), work.path());
        for (int i = 0; i < pdfs.size(); ++i) {
            const QString refused = m_services.desktop.printPdf(pdfs.at(i));
            if (!refused.isEmpty()) {
                if (m_bringToFront)
                    m_bringToFront();
                const QString first = i == 0 ? failed + QStringLiteral("。请检查打印机后再试。")
                                             : QStringLiteral("已送出 %1 名学生的打印，其余 %2 名没有送出。请检查打印机后再打印其余的学生。")
                                                   .arg(i)
                                                   .arg(pdfs.size() - i);
                throw AppError(first + QLatin1Char('\n') + refused);
            }
        }
    }
    finish(QString::number(result.rowCount()) + QStringLiteral(" 条记录设置打印完毕。\r\n耗时 ")
           + elapsedText(start, m_services.clock.now()) + QStringLiteral("s."));
}

QString TemplatePrinting::tooManyStudentsText(int students)
{
    return QStringLiteral("选了 %1 名学生，一个工作表最多只能放 %2 名（每人 %3 行，共 %4 行）。没有导出。请分几次导出，每次不超过 %2 名。")
        .arg(students)
        .arg(MaxStudentsPerSheet)
        .arg(RowsPerStudent)
        .arg(SheetRows);
}

QString TemplatePrinting::exportStudents(const QString &table, const QStringList &selectedItems, const QString &into)
{
    const QDateTime start = m_services.clock.now();
    if (selectedItems.isEmpty()) {
        m_services.messages.showMessage(QStringLiteral("必选先选定记录"));
        return {};
    }
    const QString ids = selectedIdList(selectedItems);
    if (ids.isEmpty())
        return {};
    // The sheet's rows are counted before anything is read or written.
    const int selected = int(ids.count(QLatin1Char(','))) + 1;
    if (selected > MaxStudentsPerSheet)
        throw AppError(tooManyStudentsText(selected));

    const OutputTarget target(m_db.filePath(), m_services.programDir);
    const std::optional<AtomicFile::Existing> admitted = target.admitWorkbook(into, m_consent);
    if (!admitted)
        return {}; // the user keeps the file there
    const AtomicFile::Existing existing = *admitted;

    const QString templatePath = PrintFiles::locateTemplate(m_services, m_renderer);
    XlsxWorkbook book = XlsxWorkbook::open(templatePath);
    const QString failed = QStringLiteral("多人打印表没有导出，没有写出文件");
    const QueryResult result =
        readStudents(failed, table, QStringLiteral(" where id in (") + ids + QStringLiteral(") order by 姓名"));
    if (result.rowCount() > MaxStudentsPerSheet)
        throw AppError(tooManyStudentsText(result.rowCount()));

    try {
        XlsxSheet &source = book.sheet(QString::fromUtf8(TemplateSheet));
        XlsxSheet &sheet = book.copySheetToFront(source);
        book.activate(sheet);

        // Row heights of the template block, in whole points (halves to the even neighbour).
        double heights[RowsPerStudent];
        for (int i = 0; i < RowsPerStudent; ++i)
            heights[i] = std::nearbyint(source.rowHeight(i + 1));

        int offset = 1;
        for (int row = 0; row < result.rowCount(); ++row) {
            source.copyRange(QStringLiteral("F50:A1"), sheet, QStringLiteral("F%1:A%2").arg(offset + 49).arg(offset));
            FillTemplateSheet(result, row, sheet, offset);
            if (row == 0)
                book.activate(source);
            for (int i = 0; i < RowsPerStudent; ++i)
                sheet.setRowHeight(offset + i, heights[i]);
            offset += RowsPerStudent;
        }
        sheet.clearPrintArea();
        for (XlsxSheet::Margin m : {XlsxSheet::Margin::Left, XlsxSheet::Margin::Right, XlsxSheet::Margin::Top,
                                    XlsxSheet::Margin::Bottom, XlsxSheet::Margin::Header, XlsxSheet::Margin::Footer})
            sheet.setMargin(m, source.margin(m));
        sheet.setRightFooter(QStringLiteral("页码 &P"));
        book.activate(sheet);
    } catch (const std::exception &e) {
        throw AppError(failed + QStringLiteral("：按打印模板填写时出错。请检查 Template.xlsx 中的工作表“打印模板”。\n")
                       + failureText(e));
    }

    const QString output = into.isEmpty() ? PrintFiles::newOutputPath(m_services, QStringLiteral("多人打印_") + table) : into;
    target.ensureAllowed(output, OutputTarget::Kind::Workbook);
    book.saveAs(output, 6, existing);
    if (into.isEmpty())
        m_services.desktop.openFile(output);
    finish(QString::number(result.rowCount()) + QStringLiteral(" 条记录导出完毕。\r\n耗时 ")
           + elapsedText(start, m_services.clock.now()) + QStringLiteral("s."));
    return output;
}

QueryResult TemplatePrinting::readStudents(const QString &failed, const QString &table, const QString &condition)
{
    try {
        return m_db.query(QStringLiteral("select * from ") + SqlName::quoted(m_db, table) + condition);
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
