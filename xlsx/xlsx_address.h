#pragma once

#include <string>

#include <QString>

// Spreadsheet cell addresses: "C5", "$F$50", blocks "F50:A1" (either corner first).
// Rows and columns count from 1.
struct CellRange
{
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    int rowCount() const { return bottom - top + 1; }
    int columnCount() const { return right - left + 1; }
    bool contains(const CellRange &other) const
    {
        return other.top >= top && other.bottom <= bottom && other.left >= left && other.right <= right;
    }
    bool intersects(const CellRange &other) const
    {
        return other.top <= bottom && other.bottom >= top && other.left <= right && other.right >= left;
    }
    bool operator==(const CellRange &) const = default;
};

namespace XlsxAddress {

constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;

// "A1:F50" with the top-left corner first.
QString format(const CellRange &range);
QString cellName(int row, int column);

// Parses "B12" (dollar signs allowed); false when it is no cell address.
bool parseCell(QStringView text, int &row, int &column);

// Parses "F50:A1", "A1:F50" or a single cell "C3"; the corners come back ordered.
// Throws SpreadsheetError when the text is no block address.
CellRange parseRange(const QString &text);

// Parses a column letter part ("A", "aa"); 0 when it is none.
int columnNumber(QStringView letters);

// Appends the column's letters (see ColumnLetters) or the cell's name ("B12")
// to out: the writer of a sheet names every cell it writes.
void appendColumnLetters(std::string &out, int column);
void appendCellName(std::string &out, int row, int column);

} // namespace XlsxAddress

// The spreadsheet's name of column n (1 to 702): "A" to "Z", then "AA" to "ZZ".
// Beyond that the third letter follows the same scheme ("AAA" for 703).
QString ColumnLetters(int n);
