#include "fill_template_sheet.h"

#include <algorithm>

#include "core/operations/print_template_geometry.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"
#include "platform/app_error.h"
#include "platform/query_result.h"
#include "xlsx/xlsx_workbook.h"

namespace {

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

int resultColumn(const QueryResult &query, const Column &column)
{
    const QString name = QString::fromUtf16(column.name);
    const int index = query.columnIndex(name);
    if (index < 0)
        throw DatabaseError(QStringLiteral("找不到字段：") + name);
    return index;
}

} // namespace

TemplateValues::TemplateValues(const QueryResult &query) : m_query(query)
{
    for (const Column *column : cellsTopDown())
        m_columns.push_back(resultColumn(query, *column));
    m_columns.push_back(resultColumn(query, RecordSchema::column(RecordColumns::ClassCode)));
}

const std::vector<XlsxBlockTemplate::Slot> &TemplateValues::cells()
{
    static const std::vector<XlsxBlockTemplate::Slot> blockCells = [] {
        std::vector<XlsxBlockTemplate::Slot> out;
        for (const Column *column : cellsTopDown())
            out.push_back({column->cell.row, column->cell.column});
        // 班号 shows in two cells, after the others.
        const Column &classCode = RecordSchema::column(RecordColumns::ClassCode);
        out.push_back({classCode.cell.row, classCode.cell.column});
        out.push_back({classCode.secondCell.row, classCode.secondCell.column});
        return out;
    }();
    return blockCells;
}

void TemplateValues::read(int row, std::vector<QString> &texts) const
{
    texts.resize(m_columns.size() + 1);
    const size_t shown = m_columns.size() - 1;
    for (size_t i = 0; i < shown; ++i)
        texts[i] = m_query.text(row, m_columns[i]);
    const StoredValue::PrintedClassCode printed = StoredValue::printedClassCode(m_query.text(row, m_columns.back()));
    texts[shown] = printed.entryYear;
    texts[shown + 1] = printed.classNumber;
}

int TemplateValues::rowCount() const
{
    return m_query.rowCount();
}

void FillTemplateSheet(const QueryResult &query, int row, XlsxSheet &sheet, int rowOffset)
{
    std::vector<QString> texts;
    TemplateValues(query).read(row, texts);
    const auto &cells = TemplateValues::cells();
    for (size_t i = 0; i < cells.size(); ++i)
        sheet.setCellText(rowOffset - 1 + cells[i].row, cells[i].column, texts[i]);
    // A long value wraps in its cell at the template's font size; its row grows for it.
    sheet.growRowsToFitText(rowOffset, PrintTemplateGeometry::blockEnd(rowOffset));
}
