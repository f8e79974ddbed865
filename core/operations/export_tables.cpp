#include "export_tables.h"

#include <QDateTime>

#include <memory>
#include <vector>

#include "core/operations/print_files.h"
#include "core/operations/table_rows_stream.h"
#include "core/operations/table_lists.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/output_target.h"
#include "platform/services.h"
#include "platform/table_name.h"
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
    // Everything that would stop the export midway is refused before a table is read.
    XlsxWorkbook empty = XlsxWorkbook::create();
    QStringList seen;
    for (const QString &table : tables) {
        const QString refused = sheetNameRefusal(table);
        if (!refused.isEmpty())
            throw AppError(refused);
        if (seen.contains(table, Qt::CaseInsensitive) || empty.findSheet(table))
            throw AppError(QStringLiteral("表“%1”重复（工作表名称不分大小写），没有导出任何表。请每个表只选一次。").arg(table));
        seen << table;
    }
    const OutputTarget target(m_db.filePath(), m_services.programDir);
    const std::optional<AtomicFile::Existing> admitted = admitExportFile(target, into, m_replace, outcome);
    if (!admitted)
        return outcome;
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

    // Each table is read when its sheet is written and dropped after it, so
    // that one table at a time is held. A stop midway writes the file again
    // with the tables done (the sheets stand in the workbook from the start).
    int count = int(tables.size());
    const int total = int(tables.size());
    if (!reportProgress(progress, 0, total)) {
        outcome.done = 0;
        outcome.outcome = WorkbookExport::Outcome::Stopped;
        outcome.message = QStringLiteral("导出已停止，没有写出文件。");
        return outcome;
    }
    const QString path = into.isEmpty() ? PrintFiles::newOutputPath(m_services, QStringLiteral("导出表格")) : into;
    target.ensureAllowed(path, OutputTarget::Kind::Workbook);
    struct Stopped
    {
        int done;
    };
    for (bool reporting = true;; reporting = false) {
        XlsxWorkbook book = XlsxWorkbook::create();
        std::vector<std::unique_ptr<TableRowsStream>> streams;
        std::vector<std::pair<const XlsxSheet *, XlsxSheetStream *>> sheets;
        int written = 0;
        for (int i = 0; i < count; ++i) {
            const QString table = tables.at(i);
            auto read = [this, table, columns, i](const QString &where) {
                try {
                    return m_db.query(QStringLiteral("select ") + columns + QStringLiteral(" from ") + TableName(table).sql(m_db)
                                      + where);
                } catch (const AppError &e) {
                    // Half an export is no export: nothing is written, the old file stays.
                    throw AppError(QStringLiteral("导出失败，没有写出文件：读取表“%1”时出错（已读完 %2 个表）。请检查这个表后再导出。\n")
                                       .arg(table)
                                       .arg(i)
                                   + e.text());
                }
            };
            auto done = [&, reporting] {
                ++written;
                if (reporting && !reportProgress(progress, written, total) && written < total)
                    throw Stopped{written};
            };
            streams.push_back(std::make_unique<TableRowsStream>([read] { return read(QString()); }, done));
            XlsxSheet &sheet = book.addSheetInFront(table);
            // Landscape, the column names on every page; a wide table over a
            // few pages wide, each page beginning with the columns up to 姓名.
            const QStringList names = read(QStringLiteral(" where 1 <> 1")).columns;
            const int nameColumn = int(names.indexOf(QStringLiteral("姓名")));
            sheet.printAsList(1, nameColumn >= 0 && nameColumn < 3 ? nameColumn + 1 : 0,
                              XlsxSheet::listPagesWide(int(names.size())));
            sheets.emplace_back(&sheet, streams.back().get());
        }
        book.activate(book.sheet(1));
        try {
            book.saveStreaming(path, existing, sheets);
            break;
        } catch (const Stopped &stop) {
            count = stop.done;
        }
    }
    outcome.done = count;
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
