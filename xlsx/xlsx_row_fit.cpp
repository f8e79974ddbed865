// Rows that grow with wrapped text, and page breaks between rows: what a
// spreadsheet program does on screen, written into the file so that a
// renderer that keeps row heights as stored prints the whole text.
#include "xlsx_workbook.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

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

double XlsxSheet::wrappedFontPoints(int style) const
{
    if (style < 0)
        return 0;
    const pugi::xml_node root = m_book->styles.document_element();
    pugi::xml_node xf = child(child(root, "cellXfs"), "xf");
    for (int i = 0; xf && i < style; ++i)
        xf = xf.next_sibling(xf.name());
    if (!xf || !attribute(child(xf, "alignment"), "wrapText").as_bool())
        return 0;
    pugi::xml_node font = child(child(root, "fonts"), "font");
    for (int i = attribute(xf, "fontId").as_int(0); font && i > 0; --i)
        font = font.next_sibling(font.name());
    return toDouble(attribute(child(font, "sz"), "val").value(), 11.0);
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
            const double fontPoints = cell.hasValue ? wrappedFontPoints(cell.style) : 0;
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

void XlsxSheet::addRowBreak(int afterRow)
{
    requireWorksheet();
    if (afterRow < 1 || afterRow >= XlsxAddress::MaxRows)
        throw SpreadsheetError(QStringLiteral("行号超出工作表范围：%1").arg(afterRow));
    pugi::xml_node breaks = ensureChild(m_doc.document_element(), "rowBreaks", WorksheetOrder);
    const std::string id = std::to_string(afterRow);
    for (pugi::xml_node brk = child(breaks, "brk"); brk; brk = brk.next_sibling(brk.name())) {
        if (id == attribute(brk, "id").value())
            return;
    }
    pugi::xml_node brk = appendChild(breaks, "brk");
    brk.append_attribute("id") = id.c_str();
    brk.append_attribute("max") = "16383";
    brk.append_attribute("man") = "1";
    int count = 0;
    for (pugi::xml_node b = child(breaks, "brk"); b; b = b.next_sibling(b.name()))
        ++count;
    for (const char *name : {"count", "manualBreakCount"}) {
        if (!breaks.attribute(name))
            breaks.append_attribute(name);
        breaks.attribute(name) = count;
    }
}
