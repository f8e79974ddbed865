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

double XlsxSheet::neededHeight(int row, int column, int style, const QString &text, const std::vector<CellRange> &merges) const
{
    const double fontPoints = m_book->styles().wrappedFontPoints(style);
    if (fontPoints <= 0)
        return 0;
    // The cell's width: its merged area when that lies in this row alone.
    int right = column;
    for (const CellRange &m : merges) {
        if (m.top <= row && m.bottom >= row && m.left <= column && m.right >= column) {
            if (m.top != m.bottom)
                return 0;
            right = m.right;
        }
    }
    double units = 0;
    for (int c = column; c <= right; ++c)
        units += columnWidth(c);
    const int lines = lineCount(text, fontPoints, units * PointsPerWidthUnit - CellPadding);
    return lines > 1 ? lines * fontPoints * LinePitch + RowPadding : 0;
}

double XlsxSheet::fittedHeight(double height, double needed)
{
    return needed > height ? std::min(409.5, std::ceil(needed)) : height;
}

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
            if (cell.hasValue && m_book->styles().wrappedFontPoints(cell.style) > 0)
                needed = std::max(needed, neededHeight(row, cell.column, cell.style, cellText(row, cell.column), merges));
        }
        const double height = rowHeight(row);
        if (needed > height)
            setRowHeight(row, fittedHeight(height, needed));
    }
}
