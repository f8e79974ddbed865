#include "commands.h"

#include <QDir>
#include <QTextStream>

#include "cli/command_options.h"
#include "cli/console_services.h"
#include "core/operations/table_lists.h"
#include "manage/export_tables.h"
#include "manage/template_printing.h"
#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"

namespace Commands {

void exportTables(Database &db, Services &services, const CommandOptions &options, const QStringList &tables,
                  QTextStream &out)
{
    const QString structure = options.structure.toLower();
    const auto shape = structure == QLatin1String("init1") ? ExportTablesToSheets::Structure::Init1
                                                            : ExportTablesToSheets::Structure::Init2;
    ExportTablesToSheets exporter(db, services);
    exporter.setReplaceConsent(replaceConsent(options.replace));
    const QString written = exporter.run(tables, shape, options.into);
    if (written.isEmpty())
        throw AppError(QStringLiteral("没有写出文件：") + options.into);
    out << QDir::toNativeSeparators(written) << Qt::endl;
}

void exportStudents(Database &db, Services &services, const CommandOptions &options, QTextStream &out)
{
    const QString table = TableLists::listedName(TableLists::tableNames(db), options.table.trimmed());
    if (table.isEmpty())
        throw AppError(QStringLiteral("数据库中没有表“%1”。").arg(options.table.trimmed()));
    const SpreadsheetRenderer renderer;
    TemplatePrinting printing(db, services, renderer);
    printing.setReplaceConsent(replaceConsent(options.replace));
    const QString written = printing.exportStudents(table, TableLists::recordItems(db, table), options.into);
    if (written.isEmpty())
        throw AppError(QStringLiteral("没有写出文件：") + options.into);
    out << QDir::toNativeSeparators(written) << Qt::endl;
}

} // namespace Commands
