#include "xlsx_row_writer.h"

#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_text_cell.h"
#include "xlsx/xlsx_xml.h"

XlsxRowWriter::XlsxRowWriter(XlsxSheet &sheet, std::string prefix) : m_sheet(sheet), m_prefix(std::move(prefix))
{
}

void XlsxRowWriter::startCell(std::string &out, int row, int column, int style)
{
    if (row != m_openRow) {
        endRow(out);
        m_openRow = row;
        m_rowNumber = std::to_string(row);
        XlsxXml::appendRowStart(out, m_prefix, row, m_nextHeight, m_nextHeight >= 0, std::string());
        out += '>';
        m_nextHeight = -1;
    }
    if (size_t(column) >= m_letters.size())
        m_letters.resize(size_t(column) + 1);
    std::string &letters = m_letters[size_t(column)];
    if (letters.empty())
        XlsxAddress::appendColumnLetters(letters, column);
    out += '<';
    out += m_prefix;
    out += "c r=\"";
    out += letters;
    out += m_rowNumber;
    out += '"';
    if (style >= 0) {
        out += " s=\"";
        out += std::to_string(style);
        out += '"';
    }
}

void XlsxRowWriter::textCell(std::string &out, int row, int column, int style, const std::string &encodedText)
{
    if (encodedText.empty())
        return;
    startCell(out, row, column, style);
    m_sharedReferences += XlsxAppendTextCell(out, encodedText, m_prefix, m_sheet) ? 1 : 0;
}

void XlsxRowWriter::sharedTextCell(std::string &out, int row, int column, int style, const std::string &encodedText)
{
    if (encodedText.empty())
        return;
    startCell(out, row, column, style);
    XlsxAppendSharedCell(out, m_sheet.addSharedString(encodedText), m_prefix);
    ++m_sharedReferences;
}

void XlsxRowWriter::endRow(std::string &out)
{
    if (m_openRow == 0)
        return;
    out += "</";
    out += m_prefix;
    out += "row>";
    m_openRow = 0;
}
