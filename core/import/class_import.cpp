#include "class_import.h"

#include <algorithm>

#include <QFileInfo>
#include <QHash>

#include "core/import/heading_row_search.h"
#include "core/keeping/history.h"
#include "core/keeping/program_tables.h"
#include "core/import/import_derived_values.h"
#include "core/import/import_headings.h"
#include "core/import/import_row_checks.h"
#include "core/import/import_values.h"
#include "core/import/sheet_rows.h"
#include "core/operations/class_table_names.h"
#include "core/operations/template_tables.h"
#include "core/record/entry_rules.h"
#include "core/record/record_rules.h"
#include "core/record/record_schema.h"
#include "core/record/save_statements.h"
#include "core/record/stored_value.h"
#include "platform/app_error.h"
#include "platform/database.h"
#include "platform/inserted_key.h"
#include "platform/query_result.h"
#include "platform/table_name.h"
#include "platform/transaction.h"
#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_workbook.h"

namespace {

using namespace RecordColumns;
using RecordSchema::Feed;

// An ID number as duplicates are told apart: trimmed, a final x as X.
QString cardKey(const QString &cardNo)
{
    return EntryRules::trimControls(cardNo).toUpper();
}

// The record columns a teacher completes later when the file left them empty.
QStringList missingColumns(const QStringList &values)
{
    QStringList missing;
    for (const RecordColumns::Index column : RecordRules::missing(values))
        missing << RecordSchema::name(column);
    return missing;
}

// The names and ID numbers of the class table's records, trimmed as the
// form's duplicate test compares them, each mapped to 0 (the table).
void readExisting(Database &db, const TableName &table, QHash<QString, int> &names, QHash<QString, int> &cardNos)
{
    const QueryResult existing = db.query(QStringLiteral("select %1, %2 from %3")
                                              .arg(RecordSchema::name(Name), RecordSchema::name(CardNo), table.sql(db)));
    for (const QVariantList &row : existing.rows) {
        const QString name = EntryRules::trimControls(row.value(0).toString());
        const QString cardNo = cardKey(row.value(1).toString());
        if (!name.isEmpty())
            names.insert(name, 0);
        if (!cardNo.isEmpty())
            cardNos.insert(cardNo, 0);
    }
}

// Texts packed into one string, each after its length as one UTF-16 unit: one
// allocation a row instead of one a value. Cells are at most 32,767 characters
// and stored values far fewer, so a length always fits.
QString packed(const QStringList &texts)
{
    qsizetype size = texts.size();
    for (const QString &text : texts)
        size += qMin<qsizetype>(text.size(), 0xFFFF);
    QString out(size, Qt::Uninitialized);
    QChar *at = out.data();
    for (const QString &text : texts) {
        const qsizetype length = qMin<qsizetype>(text.size(), 0xFFFF);
        *at++ = QChar(char16_t(length));
        std::copy_n(text.constData(), length, at);
        at += length;
    }
    return out;
}

QStringList unpacked(const QString &packed)
{
    QStringList out;
    for (qsizetype at = 0; at < packed.size();) {
        const qsizetype length = packed.at(at).unicode();
        out << packed.mid(at + 1, length);
        at += 1 + length;
    }
    return out;
}

// The headings found, for the text refusing a sheet without 姓名: each cut
// to 20 characters, at most 20 of them.
QString foundHeadings(const QStringList &headings)
{
    QStringList shown;
    for (const QString &heading : headings) {
        if (heading.isEmpty())
            continue;
        if (shown.size() == 20) {
            shown << QStringLiteral("……");
            break;
        }
        shown << QStringLiteral("“%1”").arg(heading.size() > 20 ? heading.left(20) + QStringLiteral("…") : heading);
    }
    return shown.isEmpty() ? QStringLiteral("（没有）") : shown.join(QStringLiteral("、"));
}

} // namespace

QString ImportRow::reasonText() const
{
    QStringList reasons = problems;
    if (!duplicateOf.isEmpty())
        reasons << duplicateOf;
    return reasons.join(QStringLiteral("；"));
}

QString ImportResult::skippedText() const
{
    if (skippedRows.isEmpty())
        return QString();
    // A message box and a terminal line stay readable: the first rows, then "……".
    QStringList rows;
    for (const int row : skippedRows.mid(0, 20))
        rows << QString::number(row);
    if (skippedRows.size() > 20)
        rows << QStringLiteral("……");
    return QStringLiteral("另有 %1 行没有导入：读取文件之后，班级表中已有了同样的身份证件号（第 %2 行），作为重复跳过。")
        .arg(skippedRows.size())
        .arg(rows.join(QStringLiteral("、")));
}

QStringList ImportRow::cells() const
{
    return unpacked(m_cells);
}

QStringList ImportRow::values() const
{
    QStringList out = unpacked(m_values);
    out.resize(Count);
    return out;
}

QStringList ImportRow::missing() const
{
    return missingColumns(values());
}

void ImportRow::setCells(const QStringList &cells)
{
    m_cells = packed(cells);
}

void ImportRow::setValues(const QStringList &values)
{
    m_values = packed(values);
}

int ImportPlan::importCount() const
{
    return int(std::count_if(rows.begin(), rows.end(), [](const ImportRow &r) { return r.status == ImportRow::Status::Accepted; }));
}

int ImportPlan::problemCount() const
{
    return int(std::count_if(rows.begin(), rows.end(), [](const ImportRow &r) { return r.status == ImportRow::Status::Problem; }));
}

int ImportPlan::duplicateCount() const
{
    return int(std::count_if(rows.begin(), rows.end(), [](const ImportRow &r) {
        return r.problems.isEmpty() && !r.duplicateOf.isEmpty();
    }));
}

QList<ImportRow> ImportPlan::noted() const
{
    QList<ImportRow> out;
    for (const ImportRow &row : rows) {
        if (row.status != ImportRow::Status::Accepted || !row.duplicateOf.isEmpty() || !row.note.isEmpty())
            out << row;
    }
    return out;
}

QList<ImportRow> ImportPlan::leftOut() const
{
    QList<ImportRow> out;
    for (const ImportRow &row : rows) {
        if (row.status != ImportRow::Status::Accepted)
            out << row;
    }
    return out;
}

ClassImport::ClassImport(Database &db, const RegionTables &regions, QDateTime now)
    : m_db(db), m_regions(regions), m_now(std::move(now))
{
}

ImportPlan ClassImport::prepare(const QString &file, const QString &sheet, const QString &table,
                                ImportDuplicates duplicates, const Progress &progress)
{
    ImportPlan plan;
    plan.sourcePath = file;
    plan.table = table;
    plan.duplicates = duplicates;
    // The program's own tables (history, records taken out) never take pupils.
    if (ProgramTables::isProgramTable(table))
        throw AppError(QStringLiteral("“%1”是本程序自用的表，不能导入学生。请选择班级表。").arg(table));
    plan.newTable = !m_db.tableNames().contains(table, Qt::CaseInsensitive);
    if (plan.newTable && !ClassTableNames::isClassName(table))
        throw AppError(QStringLiteral("没有班级表“%1”。请选择已有的班级表，或写出要新建的班级（年级和两位班号，如 初一03）。").arg(table));

    const std::unique_ptr<SheetRowReader> reader = SheetRowsReader::open(file, sheet);
    plan.sheetName = reader->sheetName();
    // Rows above the headings (a title, a date line) are never pupils; rows
    // read past them are data.
    const HeadingRowSearch::Found found = HeadingRowSearch::find(*reader);
    if (found.read.isEmpty())
        throw SpreadsheetError(QStringLiteral("“%1”%2中没有任何内容，没有可导入的学生。")
                                   .arg(file, plan.sheetName.isEmpty() ? QString() : QStringLiteral("的工作表“%1”").arg(plan.sheetName)));
    for (const SheetCell &cell : found.read.at(found.shown).cells)
        plan.headings << cell.text.trimmed();
    plan.headingRow = found.read.at(found.shown).number;
    // The file's column of each record column (the first heading naming it).
    QList<int> source(Count, -1);
    for (int i = 0; i < plan.headings.size(); ++i) {
        const int column = ImportHeadings::columnOf(plan.headings.at(i));
        if (column == ImportHeadings::Unknown)
            plan.unknownHeadings << plan.headings.at(i);
        else if (column >= 0 && source[column] < 0)
            source[column] = i;
    }
    // Without names nothing can be told apart: the headings were not read as meant
    // (another separator, another encoding, another language, a damaged file).
    if (source[Name] < 0)
        throw SpreadsheetError(QStringLiteral("“%1”的前 %2 行中没有“姓名”一列，找不到标题行，不能导入。找到的标题：%3。\n"
                                              "请确认列标题（姓名、性别……）在表格的前几行中。.csv 文件的各列须用逗号分隔；"
                                              "标题显示为乱码时，请把文件另存为 UTF-8 或 GBK 编码后再导入。")
                                   .arg(file, QString::number(found.read.constLast().number), foundHeadings(plan.headings)));

    // Names and ID numbers already in the class table, as the form's duplicate test compares them.
    QHash<QString, int> names;   // -> 0: the table; else the source row
    QHash<QString, int> cardNos;
    if (!plan.newTable)
        readExisting(m_db, TableName(table), names, cardNos);

    const ImportValues convert(m_regions);
    int done = 0;
    QStringList values(Count);
    const SheetCell noCell;
    SheetRow in;
    qsizetype nextRead = found.headings + 1;
    auto nextRow = [&] {
        if (nextRead < found.read.size()) {
            in = found.read.at(nextRead++);
            return true;
        }
        return reader->next(in);
    };
    while (nextRow()) {
        ImportRow row;
        row.sourceRow = in.number;
        values.fill(QString());
        for (const RecordSchema::Column &column : RecordSchema::columns()) {
            const int at = source[column.order];
            if (at < 0)
                continue;
            const SheetCell &cell = at < in.cells.size() ? in.cells.at(at) : noCell;
            if (column.order == CardNo && ImportRowChecks::isNumberStoredId(cell)) {
                row.problems << ImportRowChecks::numberStoredIdReason();
                continue;
            }
            const ImportValues::Value value = convert.convert(column, cell);
            values[column.order] = value.stored;
            if (!value.problem.isEmpty())
                row.problems << value.problem;
        }
        // A row without a value in any record column (a note below the list,
        // a number in an unknown column) is no pupil.
        if (std::all_of(values.cbegin(), values.cend(), [](const QString &v) { return v.isEmpty(); }) && row.problems.isEmpty())
            continue;
        // What the form derives: the region names from their codes, the rest from the ID and the entry year.
        for (const RecordSchema::Column &column : RecordSchema::columns()) {
            if (column.feed != Feed::RegionNames || !values.at(column.order).isEmpty())
                continue;
            for (const RecordSchema::Column &code : RecordSchema::columns()) {
                if (code.feed == Feed::RegionCode && code.picker == column.picker)
                    values[column.order] = convert.regionNames(values.at(code.order));
            }
        }
        ImportDerivedValues::fill(values, table, m_now.date());
        row.problems << RecordRules::problems(values, m_now);

        // A duplicate is the same ID number; the same name alone may be
        // another child, imported with a note for the teacher to look at.
        const QString name = EntryRules::trimControls(values.at(Name));
        const QString cardNo = cardKey(values.at(CardNo));
        if (!cardNo.isEmpty() && cardNos.contains(cardNo)) {
            const int at = cardNos.value(cardNo);
            row.duplicateOf = at == 0 ? QStringLiteral("班级表中已有身份证件号为 %1 的同学").arg(cardNo)
                                      : QStringLiteral("与第 %1 行的身份证件号 %2 重复").arg(at).arg(cardNo);
        } else if (!name.isEmpty() && names.contains(name)) {
            const int at = names.value(name);
            row.note = at == 0 ? QStringLiteral("同名：班级表中已有姓名为 %1 的同学，身份证件号不同或未填，照样导入").arg(name)
                               : QStringLiteral("同名：与第 %1 行同名，身份证件号不同或未填，照样导入").arg(at);
        }
        if (!name.isEmpty() && !names.contains(name))
            names.insert(name, row.sourceRow);
        if (!cardNo.isEmpty() && !cardNos.contains(cardNo))
            cardNos.insert(cardNo, row.sourceRow);

        if (!row.problems.isEmpty())
            row.status = ImportRow::Status::Problem;
        else if (!row.duplicateOf.isEmpty() && duplicates == ImportDuplicates::Skip)
            row.status = ImportRow::Status::Duplicate;
        if (row.status == ImportRow::Status::Accepted) {
            row.setValues(values);
        } else {
            QStringList cells;
            for (qsizetype i = 0; i < qMax(plan.headings.size(), in.cells.size()); ++i)
                cells << in.cells.value(i).text;
            row.setCells(cells);
        }
        plan.rows.append(std::move(row));
        if (++done % 100 == 0)
            reportProgress(progress, reader->permilleRead(), 1000);
    }
    reportProgress(progress, 1000, 1000);
    return plan;
}

ImportResult ClassImport::commit(const ImportPlan &plan, const Progress &progress)
{
    ImportResult result;
    const int total = plan.importCount();
    const TableName table(plan.table);
    History::prepare(m_db);
    Transaction transaction(m_db);
    QList<HistoryEntry> pupils;
    // A new class is made in the transaction that fills it: a failed import
    // leaves no empty class table behind.
    if (plan.newTable && !m_db.tableNames().contains(plan.table, Qt::CaseInsensitive)) {
        if (!plan.createTable)
            throw AppError(QStringLiteral("班级表“%1”还不存在，没有导入。确认要新建这个班级后再导入。").arg(plan.table));
        TemplateTables::createClassTable(m_db, table);
    }
    // The duplicate test is made again under the lock that the inserts are
    // made under: records that another workstation or a second import added
    // since the plan was read are not imported twice.
    lockAgainstWriters(m_db, table);
    QHash<QString, int> names;
    QHash<QString, int> cardNos;
    if (plan.duplicates == ImportDuplicates::Skip)
        readExisting(m_db, table, names, cardNos);
    for (const ImportRow &row : plan.rows) {
        if (row.status != ImportRow::Status::Accepted)
            continue;
        const QStringList values = row.values();
        const QString cardNo = cardKey(values.at(CardNo));
        if (!cardNo.isEmpty() && cardNos.contains(cardNo)) {
            result.skippedRows << row.sourceRow;
            continue;
        }
        try {
            m_db.execute(SaveStatements::insertStatement(table, m_db.engine(), values));
        } catch (const AppError &e) {
            throw DatabaseError(QStringLiteral("导入失败，班级表“%1”没有任何改动：写入第 %2 行时出错。\n")
                                    .arg(plan.table)
                                    .arg(row.sourceRow)
                                + e.text());
        }
        HistoryEntry pupil;
        pupil.kind = QStringLiteral("导入");
        pupil.classTable = plan.table;
        pupil.pupilId = lastInsertedKey(m_db);
        pupil.pupilName = values.at(RecordColumns::Name);
        pupils << pupil;
        ++result.imported;
        if (result.imported % 100 == 0)
            reportProgress(progress, result.imported, total);
    }
    if (result.imported > 0) {
        HistoryEntry head;
        head.kind = QStringLiteral("导入");
        head.classTable = plan.table;
        head.detail = QStringLiteral("从 %1 导入 %2 行").arg(QFileInfo(plan.sourcePath).fileName()).arg(result.imported);
        result.act = History::writeAct(m_db, head, pupils);
    }
    transaction.commit();
    reportProgress(progress, result.imported, total);
    return result;
}

void ClassImport::writeReport(const ImportPlan &plan, const QString &path, AtomicFile::Existing existing)
{
    XlsxWorkbook book = XlsxWorkbook::create();
    XlsxSheet &sheet = book.sheet(1);
    sheet.rename(QStringLiteral("问题"));
    int column = 1;
    for (const QString &heading : plan.headings)
        sheet.setCellText(1, column++, heading);
    const int reasonColumn = column;
    sheet.setCellText(1, reasonColumn, QStringLiteral("问题"));
    int lastColumn = reasonColumn;
    int line = 2;
    for (const ImportRow &row : plan.leftOut()) {
        const QStringList cells = row.cells();
        for (int i = 0; i < cells.size(); ++i)
            sheet.setCellText(line, i + 1, cells.at(i));
        const int at = qMax(reasonColumn, int(cells.size()) + 1);
        lastColumn = qMax(lastColumn, at);
        sheet.setCellText(line, at, QStringLiteral("第 %1 行：").arg(row.sourceRow) + row.reasonText());
        ++line;
    }
    // Every cell is text, so that an ID number is never shown as 4.4E+17.
    sheet.formatAllCellsAsText();
    sheet.autoFitColumns(QStringLiteral("A:") + ColumnLetters(lastColumn), XlsxSheet::ListColumnMaxWidth);
    if (line > 2)
        sheet.growRowsToFitText(2, line - 1);
    sheet.printAsList(1, 0, XlsxSheet::listPagesWide(lastColumn));
    book.saveAs(path, 6, existing);
}
