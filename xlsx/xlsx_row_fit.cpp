// Rows that grow with wrapped text: what a spreadsheet program does on
// screen, written into the file so that a renderer that keeps row heights as
// stored prints the whole text.
#include "xlsx_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"

namespace {

// Points of print width per unit of column width (the width of a digit of the
// workbook's font, about 5.45 pt), kept a little narrow so that a line is never
// counted longer than it prints; minus the cell's inner margins.
constexpr double PointsPerWidthUnit = 5.4;
constexpr double CellPadding = 3.0;
// The line pitch of a CJK font as a multiple of its size, and room above and below.
constexpr double LinePitch = 1.45;
constexpr double RowPadding = 2.0;

// How many lines the text takes in a cell that many points wide: a CJK or
// full-width character is one font size wide, anything else about half of it.
int lineCount(const QString &text, double fontPoints, double widthPoints)
{
    int lines = 0;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        double width = 0;
        for (const QChar c : paragraph)
            width += (c.unicode() >= 0x2E80 ? 1.0 : 0.55) * fontPoints;
        lines += std::max(1, int(std::ceil(width / std::max(widthPoints, fontPoints))));
    }
    return lines;
}

} // namespace

void XlsxSheet::growRowsToFitText(int firstRow, int lastRow)
{
    requireWorksheet();
    // The merged areas touching these rows, found in one pass: a sheet of many
    // blocks has many of them.
    std::vector<CellRange> merges;
    for (const CellRange &m : m_merges) {
        if (m.bottom >= firstRow && m.top <= lastRow)
            merges.push_back(m);
    }
    for (auto r = m_rows.lower_bound(firstRow); r != m_rows.end() && r->first <= lastRow; ++r) {
        const int row = r->first;
        double needed = 0;
        for (const Cell &cell : r->second.cells) {
            const double fontPoints = cell.hasValue ? m_book->styles().wrappedFontPoints(cell.style) : 0;
            if (fontPoints <= 0)
                continue;
            // The cell's width: its merged area when that lies in this row alone.
            int right = cell.column;
            bool spansRows = false;
            for (const CellRange &m : merges) {
                if (m.top <= row && m.bottom >= row && m.left <= cell.column && m.right >= cell.column) {
                    spansRows = m.top != m.bottom;
                    right = m.right;
                }
            }
            if (spansRows)
                continue;
            double units = 0;
            for (int c = cell.column; c <= right; ++c)
                units += columnWidth(c);
            const int lines = lineCount(cellText(row, cell.column), fontPoints, units * PointsPerWidthUnit - CellPadding);
            if (lines > 1)
                needed = std::max(needed, lines * fontPoints * LinePitch + RowPadding);
        }
        if (needed > rowHeight(row))
            setRowHeight(row, std::min(409.5, std::ceil(needed)));
    }
}
