// Column widths and formats: fitting widths to the text, the text format for
// a whole sheet.
#include "xlsx_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

// Display width of text in units of one Latin character; East Asian wide
// characters count two. Multi-line text counts its longest line.
double XlsxSheet::textUnits(std::string_view utf8)
{
    double widest = 0, line = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = (unsigned char)utf8[i];
        char32_t u = c;
        int length = 1;
        if (c >= 0xF0) {
            length = 4;
            u = c & 0x07;
        } else if (c >= 0xE0) {
            length = 3;
            u = c & 0x0F;
        } else if (c >= 0xC0) {
            length = 2;
            u = c & 0x1F;
        }
        for (int k = 1; k < length && i + size_t(k) < utf8.size(); ++k)
            u = (u << 6) | ((unsigned char)utf8[i + size_t(k)] & 0x3F);
        i += size_t(length);
        if (u == '\n') {
            widest = std::max(widest, line);
            line = 0;
            continue;
        }
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                          || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
                          || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6)
                          || (u >= 0x20000 && u <= 0x3FFFD);
        line += wide ? 2 : 1;
    }
    return std::max(widest, line);
}

double XlsxSheet::defaultColumnWidth() const
{
    const pugi::xml_node format = child(m_doc.document_element(), "sheetFormatPr");
    return toDouble(format.attribute("defaultColWidth").value(), 8.43);
}

void XlsxSheet::splitColumns(int first, int last)
{
    std::vector<Column> out;
    int next = first; // first column of [first, last] not covered yet
    for (Column &c : m_columns) {
        if (c.max < first || c.min > last) {
            out.push_back(c);
            continue;
        }
        if (c.min < first) {
            Column before = c;
            before.max = first - 1;
            out.push_back(before);
        }
        const int from = std::max(c.min, first);
        const int to = std::min(c.max, last);
        if (from > next) {
            Column gap;
            gap.min = next;
            gap.max = from - 1;
            out.push_back(gap);
        }
        for (int k = from; k <= to; ++k) {
            Column one = c;
            one.min = one.max = k;
            out.push_back(one);
        }
        next = to + 1;
        if (c.max > last) {
            Column after = c;
            after.min = last + 1;
            out.push_back(after);
        }
    }
    if (next <= last) {
        Column gap;
        gap.min = next;
        gap.max = last;
        out.push_back(gap);
    }
    std::sort(out.begin(), out.end(), [](const Column &a, const Column &b) { return a.min < b.min; });
    m_columns = std::move(out);
}

int XlsxSheet::columnStyle(int column) const
{
    for (const Column &c : m_columns) {
        if (column >= c.min && column <= c.max)
            return c.style;
    }
    return -1;
}

double XlsxSheet::columnWidth(int column) const
{
    for (const Column &c : m_columns) {
        if (column >= c.min && column <= c.max && c.width >= 0)
            return c.width;
    }
    return defaultColumnWidth();
}

void XlsxSheet::formatAllCellsAsText()
{
    requireWorksheet();
    splitColumns(1, XlsxAddress::MaxColumns);
    for (Column &c : m_columns)
        c.style = m_book->textVariantOf(c.style);
    for (auto &[rowNumber, row] : m_rows) {
        for (Cell &cell : row.cells)
            cell.style = m_book->textVariantOf(cell.style);
    }
}

void XlsxSheet::autoFitColumns(const QString &columns, double maxWidth)
{
    requireWorksheet();
    const QStringList parts = columns.trimmed().split(QLatin1Char(':'));
    const int first = XlsxAddress::columnNumber(parts.value(0));
    const int last = XlsxAddress::columnNumber(parts.value(parts.size() > 1 ? 1 : 0));
    if (parts.size() > 2 || first == 0 || last == 0)
        throw SpreadsheetError(QStringLiteral("无效的列区域：") + columns);
    const int from = std::min(first, last), to = std::max(first, last);
    std::vector<double> widest(size_t(to - from + 1), -1);
    for (const auto &[rowNumber, row] : m_rows) {
        for (const Cell &cell : row.cells) {
            if (cell.column < from || cell.column > to || !cell.hasValue)
                continue;
            double units;
            if (cell.type == CellType::Shared) {
                const int index = std::atoi(cell.value.c_str());
                units = textUnits(m_book->strings().stored(index));
            } else {
                units = textUnits(cellText(rowNumber, cell.column).toStdString());
            }
            double &w = widest[size_t(cell.column - from)];
            w = std::max(w, units);
        }
    }
    fitColumns(from, widest, maxWidth);
}

int XlsxSheet::wrappedStyle(int style)
{
    return m_book->wrappedVariantOf(style);
}

void XlsxSheet::fitColumns(int from, const std::vector<double> &widest, double maxWidth)
{
    requireWorksheet();
    if (widest.empty())
        return;
    const int to = from + int(widest.size()) - 1;
    const double cap = std::clamp(maxWidth, 1.0, 255.0);
    // The text plus a margin of about two characters, within the cap.
    splitColumns(from, to);
    std::vector<bool> wraps(widest.size(), false);
    for (Column &c : m_columns) {
        if (c.min < from || c.max > to || widest[size_t(c.min - from)] < 0)
            continue;
        const double wanted = std::round((widest[size_t(c.min - from)] + 2.0) * 100) / 100;
        c.width = std::min(cap, wanted);
        c.customWidth = true;
        if (wanted > cap) {
            c.style = m_book->wrappedVariantOf(c.style);
            wraps[size_t(c.min - from)] = true;
        }
    }
    for (auto &[rowNumber, row] : m_rows) {
        for (Cell &cell : row.cells) {
            if (cell.column >= from && cell.column <= to && wraps[size_t(cell.column - from)])
                cell.style = m_book->wrappedVariantOf(cell.style);
        }
    }
}
