#pragma once

#include <memory>

#include <QDate>
#include <QList>
#include <QString>

// One cell of a spreadsheet as the import reads it: its text, and whether the
// file stored it as a number or as a date (a number with a date format), which
// a text cell that merely looks like one is not.
struct SheetCell
{
    enum class Kind { Text, Number, Date };
    QString text; // numbers as written (integers without ".0"); dates as yyyy-MM-dd
    Kind kind = Kind::Text;
    QDate date;   // for Kind::Date

    bool isEmpty() const { return text.trimmed().isEmpty(); }
};

// A row of a sheet that holds anything, with its row number in the sheet.
struct SheetRow
{
    int number = 0;         // counting from 1
    QList<SheetCell> cells; // up to its last non-empty cell
};

// What a file to import may hold. Each bound keeps the memory and the time of
// an import of a damaged or hostile file within reach of a school computer; a
// file beyond one is refused with a text saying which and what to do.
namespace SheetLimits {

inline constexpr qint64 MaxFileBytes = 100LL * 1024 * 1024;
// Rows holding anything, the headings' row included.
inline constexpr int MaxRows = 250000;
// Columns A to IV; a cell further right that holds anything is refused.
inline constexpr int MaxColumns = 256;
// Excel's own limit for a cell.
inline constexpr int MaxCellCharacters = 32767;
// The characters of every cell read (and, apart, of an .xlsx's shared strings).
inline constexpr qint64 MaxTotalCharacters = 40000000;
// A worksheet or the shared strings unpacked; the other parts of an .xlsx are small.
inline constexpr quint64 MaxPartBytes = 512ULL * 1024 * 1024;
inline constexpr quint64 MaxSmallPartBytes = 16ULL * 1024 * 1024;

} // namespace SheetLimits

// The rows of one sheet, read one at a time (the first is the headings' row),
// in memory bounded by a row. Throws SpreadsheetError with a Chinese text
// saying what to do when the file is damaged or beyond SheetLimits. Used from
// one thread at a time.
class SheetRowReader
{
public:
    virtual ~SheetRowReader() = default;
    // The next row holding anything, in file order; false at the end.
    virtual bool next(SheetRow &row) = 0;
    // The share of the file read so far, in thousandths.
    virtual int permilleRead() const = 0;
    // The sheet read; empty for .csv.
    QString sheetName() const { return m_sheetName; }

protected:
    QString m_sheetName;
};

// Counts what a reader hands out against SheetLimits and refuses the file
// when one is passed. `file`: the name the texts give.
class SheetLimitGuard
{
public:
    explicit SheetLimitGuard(QString file) : m_file(std::move(file)) {}
    // A cell text of that length at that place (row and column from 1).
    void cell(int row, int column, qsizetype characters);
    // A row holding anything.
    void row();
    // A shared string of that length, the index-th of the table.
    void sharedString(qsizetype index, qsizetype characters);

private:
    QString m_file;
    int m_rows = 0;
    qint64 m_characters = 0;
    qint64 m_sharedCharacters = 0;
};

// Reading a spreadsheet for the import: .xlsx directly, .xls and .ods
// converted to .xlsx through LibreOffice first, .csv in UTF-8 or GBK (told
// apart by whether the bytes are valid UTF-8). Throws SpreadsheetError with a
// Chinese text saying what to do when the file cannot be read, its type is
// not one of these or the named sheet is missing.
namespace SheetRowsReader {

// sheet: the sheet's name; empty for the first sheet (ignored for .csv).
std::unique_ptr<SheetRowReader> open(const QString &path, const QString &sheet);

// The formats one by one.
std::unique_ptr<SheetRowReader> openXlsx(const QString &path, const QString &sheet);
std::unique_ptr<SheetRowReader> openCsv(const QString &path);

// The date of a spreadsheet's date serial number, in the workbook's date
// system: days since 1899-12-30 (1900 system, Excel's phantom 1900-02-29
// included), or since 1904-01-01.
QDate dateOfSerial(double serial, bool date1904 = false);

} // namespace SheetRowsReader
