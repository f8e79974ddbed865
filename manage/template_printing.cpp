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

// What the spreadsheet work does (reading the template sheet, the statement,
// filling cells) runs guarded: a failure there ends that work without a
// message, as the print tab always did. What hands the result to the user
// (rendering, printing, saving the output file) reports its failures, so that
// nothing is claimed done that was not.

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
    const QString filled = work.filePath(QStringLiteral("filled.xlsx"));
    const QString page = work.filePath(QStringLiteral("preview.xlsx"));
    try {
        XlsxSheet &sheet = book.sheet(QString::fromUtf8(TemplateSheet));
        book.activate(sheet);
        const QueryResult result = m_db.query(QStringLiteral("select * from ") + SqlName::quoted(m_db, table) + QStringLiteral(" where id = ") + idValue(id));
        if (result.isEmpty())
            return;
        FillTemplateSheet(result, 0, sheet, 1);
        book.saveAs(filled);
        // The preview shows the template sheet alone, as a sheet's print preview does.
        book.hideAllBut(sheet);
        book.saveAs(page);
    } catch (const std::exception &) {
        return;
    }

    const QString pdf = m_renderer.renderPdf(page, work.path());
    m_services.desktop.showPreview(owner, pdf);
    const QString output = PrintFiles::newOutputPath(m_services, QStringLiteral("预览_%1_%2").arg(table, id));
    if (!QFile::copy(filled, output))
        throw FileError(QStringLiteral("无法写入文件：") + output);
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
    int count = 0;
    QStringList copies; // the filled template as it was for each student
    try {
        XlsxSheet &sheet = book.sheet(QString::fromUtf8(TemplateSheet));
        // Each printout holds the template sheet alone, not the workbook's other sheets.
        book.hideAllBut(sheet);
        const QueryResult result = m_db.query(QStringLiteral("select * from ") + SqlName::quoted(m_db, table) + QStringLiteral(" where id in (")
                                              + ids + QStringLiteral(") order by 姓名"));
        count = result.rowCount();
        for (int row = 0; row < result.rowCount(); ++row) {
            FillTemplateSheet(result, row, sheet, 1);
            const QString copy = work.filePath(QStringLiteral("%1.xlsx").arg(row + 1, 4, 10, QLatin1Char('0')));
            book.saveAs(copy, 1);
            copies << copy;
        }
        book.activate(sheet);
    } catch (const std::exception &) {
        // Discarded; what was filled before the failure is still printed.
    }

    // One LibreOffice run renders every copy; then each goes to the printer as its own job.
    if (!copies.isEmpty()) {
        const QStringList pdfs = m_renderer.convert(copies, QStringLiteral("pdf"), work.path());
        for (const QString &pdf : pdfs) {
            const QString refused = m_services.desktop.printPdf(pdf);
            if (!refused.isEmpty()) {
                if (m_bringToFront)
                    m_bringToFront();
                throw AppError(refused);
            }
        }
    }
    finish(QString::number(count) + QStringLiteral(" 条记录设置打印完毕。\r\n耗时 ")
           + elapsedText(start, m_services.clock.now()) + QStringLiteral("s."));
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

    const QString templatePath = PrintFiles::locateTemplate(m_services, m_renderer);
    XlsxWorkbook book = XlsxWorkbook::open(templatePath);

    int count = 0;
    bool built = false;
    try {
        XlsxSheet &source = book.sheet(QString::fromUtf8(TemplateSheet));
        XlsxSheet &sheet = book.copySheetToFront(source);
        book.activate(sheet);

        // Row heights of the template block, in whole points (halves to the even neighbour).
        double heights[50];
        for (int i = 0; i < 50; ++i)
            heights[i] = std::nearbyint(source.rowHeight(i + 1));

        const QueryResult result = m_db.query(QStringLiteral("select * from ") + SqlName::quoted(m_db, table) + QStringLiteral(" where id in (")
                                              + ids + QStringLiteral(") order by 姓名"));
        count = result.rowCount();
        int offset = 1;
        for (int row = 0; row < result.rowCount(); ++row) {
            source.copyRange(QStringLiteral("F50:A1"), sheet, QStringLiteral("F%1:A%2").arg(offset + 49).arg(offset));
            FillTemplateSheet(result, row, sheet, offset);
            if (row == 0)
                book.activate(source);
            for (int i = 0; i < 50; ++i)
                sheet.setRowHeight(offset + i, heights[i]);
            offset += 50;
        }
        sheet.clearPrintArea();
        for (XlsxSheet::Margin m : {XlsxSheet::Margin::Left, XlsxSheet::Margin::Right, XlsxSheet::Margin::Top,
                                    XlsxSheet::Margin::Bottom, XlsxSheet::Margin::Header, XlsxSheet::Margin::Footer})
            sheet.setMargin(m, source.margin(m));
        sheet.setRightFooter(QStringLiteral("页码 &P"));
        book.activate(sheet);
        built = true;
    } catch (const std::exception &) {
        // Discarded without a message; the closing message still follows.
    }

    QString output;
    if (built) {
        output = into.isEmpty() ? PrintFiles::newOutputPath(m_services, QStringLiteral("多人打印_") + table) : into;
        book.saveAs(output);
        if (into.isEmpty())
            m_services.desktop.openFile(output);
    }
    finish(QString::number(count) + QStringLiteral(" 条记录导出完毕。\r\n耗时 ") + elapsedText(start, m_services.clock.now())
           + QStringLiteral("s."));
    return output;
}
