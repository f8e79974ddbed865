#include "commands.h"

#include <QDir>
#include <QTextStream>

#include "cli/command_options.h"
#include "cli/console_services.h"
#include "core/operations/export_tables.h"
#include "core/operations/table_lists.h"
#include "core/operations/template_printing.h"
#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"

namespace Commands {

int exportTables(Database &db, Services &services, const CommandOptions &options, const QStringList &tables,
                 QTextStream &out, QTextStream &err)
{
    const QString structure = options.structure.toLower();
    const auto shape = structure == QLatin1String("init1") ? ExportTablesToSheets::Structure::Init1
                                                            : ExportTablesToSheets::Structure::Init2;
    ExportTablesToSheets exporter(db, services);
    exporter.setReplaceExisting(options.replace);
    return reportExport(exporter.run(tables, shape, options.into), options.into, out, err);
}

int exportStudents(Database &db, Services &services, const CommandOptions &options, QTextStream &out,
                   QTextStream &err)
{
    const QString table = TableLists::listedName(TableLists::tableNames(db), options.table.trimmed());
    if (table.isEmpty())
        throw AppError(QStringLiteral("数据库中没有表“%1”。").arg(options.table.trimmed()));
    const SpreadsheetRenderer renderer;
    TemplatePrinting printing(db, services, renderer);
    printing.setReplaceExisting(options.replace);
    const QStringList students = TableLists::recordItems(db, table);
    if (students.isEmpty())
        throw AppError(QStringLiteral("表“%1”中没有学生，没有写出文件：%2")
                           .arg(table, QDir::toNativeSeparators(options.into)));
    return reportExport(printing.exportStudents(table, students, options.into), options.into, out, err);
}

} // namespace Commands
