#include "fill_template_sheet.h"

#include <algorithm>
#include <vector>

#include <QString>

#include "core/operations/print_template_geometry.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"
#include "platform/app_error.h"
#include "platform/query_result.h"
#include "xlsx/xlsx_workbook.h"

namespace {

using RecordSchema::Cell;
using RecordSchema::Column;

// The columns shown as stored, by their cell from the top of the block down,
// left to right: the order the cells have always been written in, which is
// the order their texts enter the workbook's shared strings.
const std::vector<const Column *> &cellsTopDown()
{
    static const std::vector<const Column *> columns = [] {
        std::vector<const Column *> out;
        for (const Column &column : RecordSchema::columns()) {
            if (column.cell.row > 0 && column.feed != RecordSchema::Feed::ClassCode)
                out.push_back(&column);
        }
        std::stable_sort(out.begin(), out.end(), [](const Column *a, const Column *b) {
            return std::pair(a->cell.row, a->cell.column) < std::pair(b->cell.row, b->cell.column);
        });
        return out;
    }();
    return columns;
}

QString field(const QueryResult &query, int row, const QString &name)
{
    const int column = query.columnIndex(name);
    if (column < 0)
        throw DatabaseError(QStringLiteral("找不到字段：") + name);
    return query.text(row, column);
}

} // namespace

void FillTemplateSheet(const QueryResult &query, int row, XlsxSheet &sheet, int rowOffset)
{
    const int base = rowOffset - 1;
    auto put = [&](Cell cell, const QString &text) { sheet.setCellText(base + cell.row, cell.column, text); };
    for (const Column *column : cellsTopDown())
        put(column->cell, field(query, row, QString::fromUtf16(column->name)));

    // 班号 shows in two cells, after the others.
    const Column &classCode = RecordSchema::column(RecordColumns::ClassCode);
    const StoredValue::PrintedClassCode printed =
        StoredValue::printedClassCode(field(query, row, QString::fromUtf16(classCode.name)));
    put(classCode.cell, printed.entryYear);
    put(classCode.secondCell, printed.classNumber);
    // A long value wraps in its cell at the template's font size; its row grows for it.
    sheet.growRowsToFitText(rowOffset, PrintTemplateGeometry::blockEnd(rowOffset));
}
