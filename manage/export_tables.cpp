#include "export_tables.h"

#include <QDateTime>

#include "manage/print_files.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/sql_name.h"
#include "platform/xlsx_address.h"
#include "platform/xlsx_workbook.h"

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

QString ExportTablesToSheets::run(const QStringList &tables, Structure structure, const QString &into)
{
    if (tables.isEmpty()) {
        m_services.messages.showMessage(QStringLiteral("请先选择表。"));
        return {};
    }
    const QDateTime start = m_services.clock.now();
    XlsxWorkbook book = XlsxWorkbook::create();

    QString columns = QStringLiteral("*");
    if (structure == Structure::Init1) {
        const QStringList init2 = m_db.query(QStringLiteral("select * from Init2 where 1 <> 1")).columns;
        const QStringList init1 = m_db.query(QStringLiteral("select * From Init1 where 1 <> 1")).columns;
        columns = BuildExportColumnList(init1, init2);
    }

    const auto save = [&] {
        const QString path = into.isEmpty() ? PrintFiles::newOutputPath(m_services, QStringLiteral("导出表格")) : into;
        book.activate(book.sheet(1));
        book.saveAs(path);
        if (into.isEmpty())
            m_services.desktop.openFile(path);
        return path;
    };

    int count = 0;
    try {
        for (const QString &table : tables) {
            const QueryResult result = m_db.query(QStringLiteral("select ") + columns + QStringLiteral(" from ") + SqlName::quoted(m_db, table));
            XlsxSheet &sheet = book.addSheetInFront(table);
            FillSheetFromQuery(result, sheet);
            ++count;
        }
    } catch (const AppError &) {
        // The sheets filled so far are handed to the user all the same; the
        // failure itself is shown by the caller's guard.
        if (count > 0) {
            try {
                save();
            } catch (const AppError &) {
                // The first failure is the one to show.
            }
        }
        throw;
    }
    const QString path = save();
    m_services.messages.showMessage(QStringLiteral("导出 %1 个excel工作表。\r\n耗时 %2 s.")
                                        .arg(count)
                                        .arg(start.secsTo(m_services.clock.now())));
    return path;
}
