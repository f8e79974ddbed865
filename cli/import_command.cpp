#include "commands.h"

#include <QDir>
#include <QTextStream>

#include "cli/command_options.h"
#include "core/import/class_import.h"
#include "core/operations/class_table_names.h"
#include "core/operations/table_lists.h"
#include "core/region/region_tables.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database.h"

namespace Commands {

namespace {

void printPlan(const ImportPlan &plan, QTextStream &out)
{
    out << QStringLiteral("文件：%1").arg(QDir::toNativeSeparators(plan.sourcePath));
    if (!plan.sheetName.isEmpty())
        out << QStringLiteral("  工作表：%1").arg(plan.sheetName);
    out << QStringLiteral("  班级表：%1").arg(plan.table);
    if (plan.newTable)
        out << QStringLiteral("（新建）");
    out << Qt::endl;
    out << QStringLiteral("检查结果：可导入 %1 行，有问题 %2 行，重复 %3 行")
               .arg(plan.importCount())
               .arg(plan.problemCount())
               .arg(plan.duplicateCount())
        << Qt::endl;
    if (!plan.unknownHeadings.isEmpty())
        out << QStringLiteral("未识别的列（没有导入）：%1").arg(plan.unknownHeadings.join(QStringLiteral("、"))) << Qt::endl;
    for (const ImportRow &row : plan.rows) {
        if (row.status == ImportRow::Status::Problem)
            out << QStringLiteral("第 %1 行 有问题：%2").arg(row.sourceRow).arg(row.reasonText()) << Qt::endl;
        else if (!row.duplicateOf.isEmpty())
            out << QStringLiteral("第 %1 行 重复（%2）：%3")
                       .arg(row.sourceRow)
                       .arg(row.status == ImportRow::Status::Duplicate ? QStringLiteral("跳过") : QStringLiteral("照样导入"),
                            row.duplicateOf)
                << Qt::endl;
        else if (!row.note.isEmpty())
            out << QStringLiteral("第 %1 行 %2").arg(row.sourceRow).arg(row.note) << Qt::endl;
    }
}

} // namespace

int importTable(Database &db, const CommandOptions &options, QTextStream &out)
{
    QString table = TableLists::listedName(TableLists::tableNames(db), options.table.trimmed());
    if (table.isEmpty()) {
        // A class not opened yet may be made from Init2, but only when asked for.
        table = options.table.trimmed();
        if (!ClassTableNames::isClassName(table))
            throw AppError(QStringLiteral("数据库中没有表“%1”。新建班级时，班级名须是年级加两位班号（如 初一03）。").arg(table));
        if (!options.create)
            throw AppError(QStringLiteral("班级表“%1”还不存在，没有导入。要新建这个班级并导入，请加上 --create。").arg(table));
    }
    RegionTables regions;
    regions.LoadRegionTables();
    const SystemClock clock;
    ClassImport importer(db, regions, clock.now());
    const ImportDuplicates duplicates =
        options.duplicates == QLatin1String("add") ? ImportDuplicates::Add : ImportDuplicates::Skip;
    ImportPlan plan = importer.prepare(options.from, options.sheet, table, duplicates);
    plan.createTable = options.create;
    printPlan(plan, out);
    if (!options.report.isEmpty()) {
        ClassImport::writeReport(plan, options.report,
                                 options.replace ? AtomicFile::Existing::Replace : AtomicFile::Existing::Keep);
        out << QStringLiteral("没有导入的行已写入：%1").arg(QDir::toNativeSeparators(options.report)) << Qt::endl;
    }
    if (options.dryRun) {
        out << QStringLiteral("试运行：没有写入任何数据。") << Qt::endl;
        return 0;
    }
    const ImportResult result = importer.commit(plan);
    if (plan.newTable)
        out << QStringLiteral("已新建班级表 %1。").arg(table) << Qt::endl;
    out << QStringLiteral("已导入 %1 行到班级表 %2。").arg(result.imported).arg(table) << Qt::endl;
    if (!result.skippedRows.isEmpty())
        out << result.skippedText() << Qt::endl;
    if (result.act != 0)
        out << QStringLiteral("这次导入的操作号是 %1；撤销用 tavro undo-import %1。").arg(result.act) << Qt::endl;
    return 0;
}

} // namespace Commands
