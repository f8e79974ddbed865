#include "export_tables.h"

#include <QDateTime>

#include "core/operations/print_files.h"
#include "core/operations/table_lists.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/output_target.h"
#include "platform/services.h"
#include "platform/sql_name.h"
#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_workbook.h"

QString BuildExportColumnList(const QStringList &init1Columns, const QStringList &init2Columns)
{
    QStringList items;
    for (const QString &name : init1Columns) {
        if (init2Columns.contains(name, Qt::CaseInsensitive))
            items << name;
        else
            items << QStringLiteral("' ' as ") + name;
    }
    return QLatin1Char(' ') + items.join(QStringLiteral(", "));
}

void FillSheetFromQuery(const QueryResult &result, XlsxSheet &sheet)
{
    sheet.formatAllCellsAsText();
    for (int row = 0; row < result.rowCount(); ++row) {
        for (int column = 0; column < result.columnCount(); ++column) {
            const QString text = result.text(row, column);
            if (!text.isEmpty())
                sheet.setCellText(row + 2, column + 1, text);
        }
    }
    for (int column = 0; column < result.columnCount(); ++column)
        sheet.setCellText(1, column + 1, result.columns.at(column));
    if (result.columnCount() > 0)
        sheet.autoFitColumns(QStringLiteral("A:") + ColumnLetters(result.columnCount()));
}

ExportTablesToSheets::ExportTablesToSheets(Database &db, Services &services) : m_db(db), m_services(services) {}

QString ExportTablesToSheets::sheetNameRefusal(const QString &table)
{
    const QString problem = XlsxWorkbook::sheetNameProblem(table);
    if (problem.isEmpty())
        return {};
    return QStringLiteral("表“%1”的名称不能用作工作表名称（最多 31 个字符，不能含 [ ] : * ? / \\），没有导出任何表。"
                          "请不选这个表，或把它改名后再导出。\n")
               .arg(table)
        + problem;
}

WorkbookExport ExportTablesToSheets::run(const QStringList &tables, Structure structure, const QString &into,
                                         const Progress &progress)
{
    WorkbookExport outcome;
    outcome.total = int(tables.size());
    if (tables.isEmpty()) {
        outcome.message = TableLists::chooseTablesFirstText();
        return outcome;
    }
    XlsxWorkbook book = XlsxWorkbook::create();

    // Everything that would stop the export midway is refused before a table is read.
    QStringList seen;
    for (const QString &table : tables) {
        const QString refused = sheetNameRefusal(table);
        if (!refused.isEmpty())
            throw AppError(refused);
        if (seen.contains(table, Qt::CaseInsensitive) || book.findSheet(table))
            throw AppError(QStringLiteral("表“%1”重复（工作表名称不分大小写），没有导出任何表。请每个表只选一次。").arg(table));
        seen << table;
    }
    const OutputTarget target(m_db.filePath(), m_services.programDir);
    const std::optional<AtomicFile::Existing> admitted = target.admitWorkbook(into, [&](const QString &path) {
        outcome.path = path;
        return m_replace;
    });
    if (!admitted) {
        outcome.outcome = WorkbookExport::Outcome::NeedsConsent;
        return outcome;
    }
    outcome.path.clear();
    const AtomicFile::Existing existing = *admitted;

    // The time taken counts the work alone: not the question before, nor the
    // application opening the file (which may say it cannot) after.
    const QDateTime start = m_services.clock.now();
    QString columns = QStringLiteral("*");
    if (structure == Structure::Init1) {
        const QStringList init2 = m_db.query(QStringLiteral("select * from Init2 where 1 <> 1")).columns;
        const QStringList init1 = m_db.query(QStringLiteral("select * From Init1 where 1 <> 1")).columns;
        columns = BuildExportColumnList(init1, init2);
    }

    int count = 0;
    bool goOn = reportProgress(progress, 0, int(tables.size()));
    for (const QString &table : tables) {
        if (!goOn)
            break;
        try {
            const QueryResult result = m_db.query(QStringLiteral("select ") + columns + QStringLiteral(" from ") + SqlName::quoted(m_db, table));
            XlsxSheet &sheet = book.addSheetInFront(table);
            FillSheetFromQuery(result, sheet);
        } catch (const AppError &e) {
            // Half an export is no export: nothing is written, the old file stays.
            throw AppError(QStringLiteral("导出失败，没有写出文件：读取表“%1”时出错（已读完 %2 个表）。请检查这个表后再导出。\n")
                               .arg(table)
                               .arg(count)
                           + e.text());
        }
        ++count;
        goOn = reportProgress(progress, count, int(tables.size()));
    }
    outcome.done = count;
    if (count == 0) {
        outcome.outcome = WorkbookExport::Outcome::Stopped;
        outcome.message = QStringLiteral("导出已停止，没有写出文件。");
        return outcome;
    }

    const QString path = into.isEmpty() ? PrintFiles::newOutputPath(m_services, QStringLiteral("导出表格")) : into;
    target.ensureAllowed(path, OutputTarget::Kind::Workbook);
    book.activate(book.sheet(1));
    book.saveAs(path, 6, existing);
    const QDateTime end = m_services.clock.now();
    outcome.outcome = WorkbookExport::Outcome::Written;
    outcome.path = path;
    outcome.seconds = start.secsTo(end);
    if (count < tables.size())
        outcome.message = QStringLiteral("导出已停止：已导出的 %1 个excel工作表已保存，其余 %2 个表没有导出。\r\n耗时 %3 s.")
                              .arg(count)
                              .arg(tables.size() - count)
                              .arg(outcome.seconds);
    else
        outcome.message = QStringLiteral("导出 %1 个excel工作表。\r\n耗时 %2 s.").arg(count).arg(outcome.seconds);
    return outcome;
}
