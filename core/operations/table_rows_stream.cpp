#include "table_rows_stream.h"

#include <algorithm>

#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_text_cell.h"
#include "xlsx/xlsx_xml.h"
#include "xlsx/xlsx_zip_stream.h"

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
    for (int column = 0; column < columns; ++column) {
        // The header cell goes through the sheet, so that its text lands in the shared strings.
        sheet.setCellText(1, column + 1, result.columns.at(column));
        m_headers.push_back(sheet.storedValue(1, column + 1));
        const int style = sheet.newCellStyle(column + 1);
        m_styles.push_back(style >= 0 ? " s=\"" + std::to_string(style) + "\"" : std::string());
        std::string letters;
        XlsxAddress::appendColumnLetters(letters, column + 1);
        m_letters.push_back(std::move(letters));
        double &w = widest[size_t(column)];
        w = std::max(w, XlsxSheet::textUnits(XlsxXml::encodeCellText(result.columns.at(column))));
    }
    sheet.clearRows();
    sheet.fitColumns(1, widest);
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

void TableRowsStream::writeRows(XlsxZipStream &out, const std::string &p)
{
    std::string &b = out.buffer();
    const int columns = int(m_headers.size());
    if (columns > 0) {
        b += '<' + p + "row r=\"1\">";
        for (int column = 0; column < columns; ++column) {
            b += '<' + p + "c r=\"" + m_letters[size_t(column)] + "1\"" + m_styles[size_t(column)] + " t=\"s\"><" + p
                + "v>" + m_headers[size_t(column)] + "</" + p + "v></" + p + "c>";
        }
        b += "</" + p + "row>";
    }
    size_t at = 0;
    for (int row = 0; row < m_rowCount; ++row) {
        const std::string number = std::to_string(row + 2);
        bool open = false;
        for (int column = 0; column < columns; ++column) {
            const std::string &cell = m_values[at++];
            if (cell.empty())
                continue;
            if (!open) {
                b += '<' + p + "row r=\"" + number + "\">";
                open = true;
            }
            b += '<';
            b += p;
            b += "c r=\"";
            b += m_letters[size_t(column)];
            b += number;
            b += '"';
            b += m_styles[size_t(column)];
            m_sharedCells += XlsxAppendTextCell(b, cell, p, *m_sheet) ? 1 : 0;
        }
        if (open)
            b += "</" + p + "row>";
        out.flushIfFull();
    }
    m_values = {};
    if (m_written)
        m_written();
}
