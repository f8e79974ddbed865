#include "table_rows_stream.h"

#include <algorithm>
#include <cmath>

#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_cell_text.h"
#include "xlsx/xlsx_row_writer.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_zip_stream.h"

namespace {
// A wrapped column name's line: four Chinese characters.
constexpr double HeadingLineUnits = 8;
} // namespace

TableRowsStream::TableRowsStream(Reader read, Written written) : m_read(std::move(read)), m_written(std::move(written))
{
}

void TableRowsStream::prepare(XlsxSheet &sheet)
{
    const QueryResult result = m_read();
    m_sheet = &sheet;
    sheet.formatAllCellsAsText();
    const int columns = result.columnCount();
    m_rowCount = result.rowCount();
    std::vector<double> widest(size_t(columns), -1);
    m_lastRow = columns > 0 ? 1 : 0;
    m_values.reserve(size_t(m_rowCount) * size_t(columns));
    for (int row = 0; row < m_rowCount; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QString text = result.text(row, column);
            m_values.push_back(text.isEmpty() ? std::string() : XlsxXml::encodeCellText(text));
            if (text.isEmpty())
                continue;
            m_lastRow = row + 2;
            double &w = widest[size_t(column)];
            w = std::max(w, XlsxSheet::textUnits(m_values.back()));
        }
    }
    // A long column name (是否进城务工人员随迁子女) wraps over up to three lines
    // rather than widening a column of short values: the list then fits the
    // page at a larger scale.
    std::vector<double> headingUnits;
    for (int column = 0; column < columns; ++column) {
        m_headers.push_back(XlsxXml::encodeCellText(result.columns.at(column)));
        headingUnits.push_back(XlsxSheet::textUnits(m_headers.back()));
        double &w = widest[size_t(column)];
        w = std::max(w, std::min(headingUnits.back(), std::max(HeadingLineUnits, std::ceil(headingUnits.back() / 3))));
    }
    sheet.clearRows();
    // Capped widths keep a long address from pushing the list off the page;
    // such a column's cells wrap, so the formats are taken after the fitting.
    sheet.fitColumns(1, widest, XlsxSheet::ListColumnMaxWidth);
    double headingNeeds = 0;
    for (int column = 0; column < columns; ++column) {
        m_styles.push_back(sheet.newCellStyle(column + 1));
        const bool wraps = headingUnits[size_t(column)] + 2 > sheet.columnWidth(column + 1);
        m_headingStyles.push_back(wraps ? sheet.wrappedStyle(m_styles.back()) : m_styles.back());
        if (wraps)
            headingNeeds = std::max(headingNeeds, sheet.neededHeight(1, column + 1, m_headingStyles.back(),
                                                                     result.columns.at(column), {}));
    }
    m_headingHeight = headingNeeds > 0 ? XlsxSheet::fittedHeight(sheet.defaultRowHeight(), headingNeeds) : -1;
    // A row holding wrapped text is made high enough for its lines: readers
    // keep a written row's height as the file gives it.
    std::vector<int> wrapped;
    for (int column = 0; column < columns; ++column) {
        if (widest[size_t(column)] + 2 > XlsxSheet::ListColumnMaxWidth)
            wrapped.push_back(column);
    }
    if (wrapped.empty())
        return;
    m_heights.assign(size_t(m_rowCount), -1);
    for (int row = 0; row < m_rowCount; ++row) {
        double needed = 0;
        for (int column : wrapped)
            needed = std::max(needed, sheet.neededHeight(row + 2, column + 1, m_styles[size_t(column)], result.text(row, column), {}));
        if (needed > 0)
            m_heights[size_t(row)] = XlsxSheet::fittedHeight(sheet.defaultRowHeight(), needed);
    }
}

std::string TableRowsStream::dimension() const
{
    if (m_headers.empty())
        return "A1";
    std::string out = "A1";
    if (m_lastRow > 1 || m_headers.size() > 1) {
        out += ':';
        XlsxAddress::appendCellName(out, m_lastRow, int(m_headers.size()));
    }
    return out;
}

void TableRowsStream::writeRows(XlsxZipStream &out, const std::string &prefix)
{
    XlsxRowWriter writer(*m_sheet, prefix);
    const int columns = int(m_headers.size());
    // The headings go into the shared strings: every sheet repeats them.
    writer.setNextRowHeight(m_headingHeight);
    for (int column = 0; column < columns; ++column)
        writer.sharedTextCell(out.buffer(), 1, column + 1, m_headingStyles[size_t(column)], m_headers[size_t(column)]);
    writer.endRow(out.buffer());
    size_t at = 0;
    for (int row = 0; row < m_rowCount; ++row) {
        if (!m_heights.empty())
            writer.setNextRowHeight(m_heights[size_t(row)]);
        for (int column = 0; column < columns; ++column)
            writer.textCell(out.buffer(), row + 2, column + 1, m_styles[size_t(column)], m_values[at++]);
        writer.endRow(out.buffer());
        out.flushIfFull();
    }
    m_sharedCells = writer.sharedReferences();
    m_values = {};
    m_heights = {};
    if (m_written)
        m_written();
}
