#pragma once

#include <string>
#include <vector>

class XlsxSheet;

// Writes the <row> and <c> elements of a streamed sheet (XlsxSheetStream::
// writeRows) with the sheet's namespace prefix: a row opens with its first
// cell and closes at endRow or at a cell of a later row, so that rows without
// cells are left out. Texts come as XlsxXml::encodeCellText gives them; an
// empty text writes no cell. Counts the cells that refer to the workbook's
// shared strings. Rows in ascending order, cells left to right; one thread at a time.
class XlsxRowWriter
{
public:
    // The sheet's workbook takes the shared strings; prefix: the sheet's ("x:") or empty.
    XlsxRowWriter(XlsxSheet &sheet, std::string prefix);

    // A text cell written inline, or through the shared strings when only
    // that form is decoded by every reader (see XlsxAppendTextCell).
    // style: the cell format's index, -1 for none.
    void textCell(std::string &out, int row, int column, int style, const std::string &encodedText);
    // A text cell that refers to the shared strings (a heading every sheet repeats).
    void sharedTextCell(std::string &out, int row, int column, int style, const std::string &encodedText);
    // The height in points of the row the next cell opens (customHeight);
    // negative: the sheet's default. Applies to that one row.
    void setNextRowHeight(double points) { m_nextHeight = points; }
    // Closes the open row, if any.
    void endRow(std::string &out);

    long long sharedReferences() const { return m_sharedReferences; }

private:
    // Opens the cell's row when needed and writes <c r="..."[ s="..."].
    void startCell(std::string &out, int row, int column, int style);

    XlsxSheet &m_sheet;
    std::string m_prefix;
    std::vector<std::string> m_letters; // column letters by column, made once
    int m_openRow = 0;
    std::string m_rowNumber;
    long long m_sharedReferences = 0;
    double m_nextHeight = -1;
};
