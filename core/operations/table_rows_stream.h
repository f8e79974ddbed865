#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "platform/query_result.h"
#include "xlsx/xlsx_sheet_stream.h"

// One sheet of the table export as a stream: every cell in text format, the
// result's column names in row 1 (shared strings: every sheet repeats them),
// its rows from row 2 (empty values left out), the used columns fitted to their
// texts up to XlsxSheet::ListColumnMaxWidth (wider ones wrap, their rows made
// high enough); a long column name wraps over a column of short values. Values are written inline (see XlsxRowWriter::textCell): the
// workbook's table of shared strings would otherwise grow with every name and
// number. The result is read when the sheet's turn comes and dropped when its
// rows are written, so that one table at a time is held.
class TableRowsStream : public XlsxSheetStream
{
public:
    // Reads the table; throws what the reading throws.
    using Reader = std::function<QueryResult()>;
    // Called when the sheet's rows are written.
    using Written = std::function<void()>;

    TableRowsStream(Reader read, Written written);

    void prepare(XlsxSheet &sheet) override;
    std::string dimension() const override;
    long long mergeCount() const override { return 0; }
    long long breakCount() const override { return 0; }
    void writeRows(XlsxZipStream &out, const std::string &prefix) override;
    void writeMerges(XlsxZipStream &, const std::string &) override {}
    void writeBreaks(XlsxZipStream &, const std::string &) override {}
    long long sharedStringReferences() const override { return m_sharedCells; }

private:
    Reader m_read;
    Written m_written;
    int m_rowCount = 0;
    XlsxSheet *m_sheet = nullptr;
    // Each value as the file stores it (XlsxXml::encodeCellText), row by row; empty for an empty value.
    std::vector<std::string> m_values;
    long long m_sharedCells = 0; // cells written that refer to the shared strings, headings included
    std::vector<std::string> m_headers; // each column name as the file stores it
    std::vector<int> m_styles;          // the cell format of each column's cells, -1 for none
    std::vector<int> m_headingStyles;   // the same for the names in row 1 (wrapping when long)
    double m_headingHeight = -1;        // row 1's height when a name wraps, else negative
    int m_lastRow = 0; // the lowest row with a cell
    std::vector<double> m_heights; // each data row's height, negative for the default; empty when nothing wraps
};
