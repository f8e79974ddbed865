#include "table_rows_stream.h"

#include <algorithm>
#include <cctype>

#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_xml.h"
#include "xlsx/xlsx_zip_stream.h"

TableRowsStream::TableRowsStream(Reader read, Written written) : m_read(std::move(read)), m_written(std::move(written))
{
}

void TableRowsStream::prepare(XlsxSheet &sheet)
{
    m_result = m_read();
    sheet.formatAllCellsAsText();
    const int columns = m_result.columnCount();
    std::vector<double> widest(size_t(columns), -1);
    m_lastRow = columns > 0 ? 1 : 0;
    for (int row = 0; row < m_result.rowCount(); ++row) {
        for (int column = 0; column < columns; ++column) {
            const QString text = m_result.text(row, column);
            if (text.isEmpty())
                continue;
            m_lastRow = row + 2;
            double &w = widest[size_t(column)];
            w = std::max(w, XlsxSheet::textUnits(XlsxXml::encodeCellText(text)));
        }
    }
    for (int column = 0; column < columns; ++column) {
        // The header cell goes through the sheet, so that its text lands in the shared strings.
        sheet.setCellText(1, column + 1, m_result.columns.at(column));
        m_headers.push_back(sheet.storedValue(1, column + 1));
        const int style = sheet.newCellStyle(column + 1);
        m_styles.push_back(style >= 0 ? " s=\"" + std::to_string(style) + "\"" : std::string());
        std::string letters;
        XlsxAddress::appendColumnLetters(letters, column + 1);
        m_letters.push_back(std::move(letters));
        double &w = widest[size_t(column)];
        w = std::max(w, XlsxSheet::textUnits(XlsxXml::encodeCellText(m_result.columns.at(column))));
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
    for (int row = 0; row < m_result.rowCount(); ++row) {
        const std::string number = std::to_string(row + 2);
        bool open = false;
        for (int column = 0; column < columns; ++column) {
            const QString text = m_result.text(row, column);
            if (text.isEmpty())
                continue;
            if (!open) {
                b += '<' + p + "row r=\"" + number + "\">";
                open = true;
            }
            const std::string encoded = XlsxXml::encodeCellText(text);
            const bool keepBlanks = std::isspace((unsigned char)encoded.front()) || std::isspace((unsigned char)encoded.back());
            b += '<' + p + "c r=\"" + m_letters[size_t(column)] + number + "\"" + m_styles[size_t(column)]
                + " t=\"inlineStr\"><" + p + "is><" + p + (keepBlanks ? "t xml:space=\"preserve\">" : "t>");
            XlsxXml::appendText(b, encoded);
            b += "</" + p + "t></" + p + "is></" + p + "c>";
        }
        if (open)
            b += "</" + p + "row>";
        out.flushIfFull();
    }
    m_result = QueryResult();
    if (m_written)
        m_written();
}
