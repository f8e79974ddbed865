#include "xlsx_block_template.h"

#include <algorithm>

#include <pugixml.hpp>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_text_cell.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

namespace {

// The text of an inline string that is one plain run (<t>text</t>), as the
// shared strings store it; false for rich text.
bool plainInlineText(const std::string &innerXml, std::string &text)
{
    pugi::xml_document doc;
    const std::string wrapped = "<is>" + innerXml + "</is>";
    if (!doc.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default | pugi::parse_ws_pcdata_single))
        return false;
    pugi::xml_node only = doc.first_child().first_child();
    if (!only || only.next_sibling() || only.type() != pugi::node_element || localName(only) != "t")
        return false;
    text = only.child_value();
    return true;
}

void appendNumber(std::string &out, int n)
{
    char digits[16];
    int i = 0;
    do {
        digits[i++] = char('0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (i > 0)
        out += digits[--i];
}

} // namespace

XlsxBlockTemplate::XlsxBlockTemplate(XlsxSheet &sheet, int firstRow, int lastRow, const std::vector<Slot> &slotCells)
    : m_sheet(sheet), m_first(firstRow), m_last(lastRow), m_prefix(sheet.elementPrefix())
{
    sheet.requireWorksheet();
    for (const CellRange &m : sheet.m_merges) {
        if (m.top >= firstRow && m.bottom <= lastRow)
            m_merges.push_back(m);
    }
    for (const Slot &slot : slotCells) {
        if (slot.row < firstRow || slot.row > lastRow)
            throw SpreadsheetError(QStringLiteral("单元格不在块内：行 %1").arg(slot.row));
    }
    XlsxSharedStrings &strings = sheet.m_book->strings();
    for (int r = firstRow; r <= lastRow; ++r) {
        RowPiece piece;
        piece.row = r;
        const auto found = sheet.m_rows.find(r);
        std::vector<XlsxSheet::Cell> cells;
        if (found != sheet.m_rows.end()) {
            piece.height = found->second.height;
            piece.customHeight = found->second.customHeight;
            piece.attributes = found->second.attributes;
            cells = found->second.cells;
        }
        std::vector<int> slotOf(cells.size(), -1);
        for (size_t i = 0; i < slotCells.size(); ++i) {
            if (slotCells[i].row != r)
                continue;
            auto at = std::lower_bound(cells.begin(), cells.end(), slotCells[i].column,
                                       [](const XlsxSheet::Cell &x, int col) { return x.column < col; });
            if (at == cells.end() || at->column != slotCells[i].column) {
                XlsxSheet::Cell cell;
                cell.column = slotCells[i].column;
                cell.style = sheet.columnStyle(slotCells[i].column);
                const auto index = at - cells.begin();
                cells.insert(at, cell);
                slotOf.insert(slotOf.begin() + index, -1);
                at = cells.begin() + index;
            }
            slotOf[size_t(at - cells.begin())] = int(i);
        }
        for (size_t c = 0; c < cells.size(); ++c) {
            XlsxSheet::Cell cell = cells[c];
            CellPiece out;
            XlsxAddress::appendColumnLetters(out.columnLetters, cell.column);
            out.column = cell.column;
            out.style = cell.style;
            out.slot = slotOf[c];
            if (out.slot >= 0) {
                if (cell.style >= 0)
                    out.styleAttribute = " s=\"" + std::to_string(cell.style) + "\"";
                out.wraps = sheet.m_book->styles().wrappedFontPoints(cell.style) > 0;
            } else {
                std::string text;
                if (cell.type == XlsxSheet::CellType::Inline && cell.hasValue && !cell.extra
                    && plainInlineText(cell.value, text)) {
                    cell.type = XlsxSheet::CellType::Shared;
                    cell.value = std::to_string(strings.add(text));
                }
                m_sharedReferences += cell.type == XlsxSheet::CellType::Shared ? 1 : 0;
                XlsxSheet::appendCellBody(out.body, cell, m_prefix);
                if (cell.hasValue)
                    piece.fixedNeeded = std::max(
                        piece.fixedNeeded, sheet.neededHeight(r, cell.column, cell.style, sheet.cellText(r, cell.column), m_merges));
            }
            piece.cells.push_back(std::move(out));
        }
        if (!piece.cells.empty()) {
            m_top = m_top ? m_top : r;
            m_bottom = r;
            m_left = m_left ? std::min(m_left, cells.front().column) : cells.front().column;
            m_right = std::max(m_right, cells.back().column);
        }
        m_rows.push_back(std::move(piece));
    }
}

void XlsxBlockTemplate::appendRows(std::string &out, int firstRow, const std::vector<QString> &texts)
{
    const std::string &p = m_prefix;
    const int shift = firstRow - m_first;
    for (const RowPiece &row : m_rows) {
        double needed = row.fixedNeeded;
        for (const CellPiece &cell : row.cells) {
            if (cell.slot >= 0 && cell.wraps && !texts[size_t(cell.slot)].isEmpty())
                needed = std::max(needed, m_sheet.neededHeight(row.row, cell.column, cell.style,
                                                               texts[size_t(cell.slot)], m_merges));
        }
        double height = row.height;
        bool custom = row.customHeight;
        const double current = height >= 0 ? height : m_sheet.defaultRowHeight();
        if (needed > current) {
            height = XlsxSheet::fittedHeight(current, needed);
            custom = true;
        }
        if (row.cells.empty() && height < 0 && row.attributes.empty())
            continue;
        const int number = row.row + shift;
        XlsxXml::appendRowStart(out, p, number, height, custom, row.attributes);
        if (row.cells.empty()) {
            out += "/>";
            continue;
        }
        out += '>';
        for (const CellPiece &cell : row.cells) {
            out += '<';
            out += p;
            out += "c r=\"";
            out += cell.columnLetters;
            appendNumber(out, number);
            out += '"';
            if (cell.slot < 0) {
                out += cell.body;
                continue;
            }
            out += cell.styleAttribute;
            const QString &text = texts[size_t(cell.slot)];
            if (text.isEmpty()) {
                out += "/>";
                continue;
            }
            m_slotSharedReferences += XlsxAppendTextCell(out, encodeCellText(text), p, m_sheet) ? 1 : 0;
        }
        out += "</";
        out += p;
        out += "row>";
    }
}

void XlsxBlockTemplate::appendMerges(std::string &out, int firstRow) const
{
    const int shift = firstRow - m_first;
    for (CellRange m : m_merges) {
        m.top += shift;
        m.bottom += shift;
        out += '<';
        out += m_prefix;
        out += "mergeCell ref=\"";
        XlsxAddress::appendCellName(out, m.top, m.left);
        if (m.top != m.bottom || m.left != m.right) {
            out += ':';
            XlsxAddress::appendCellName(out, m.bottom, m.right);
        }
        out += "\"/>";
    }
}

std::string XlsxBlockTemplate::dimension(int copies) const
{
    if (!m_top || copies <= 0)
        return "A1";
    std::string out;
    const int bottom = m_bottom + (copies - 1) * rowCount();
    XlsxAddress::appendCellName(out, m_top, m_left);
    if (bottom != m_top || m_left != m_right) {
        out += ':';
        XlsxAddress::appendCellName(out, bottom, m_right);
    }
    return out;
}
