#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

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

// The rows of one sheet: the headings (row 1) and every later row that holds
// anything, with its row number in the sheet.
struct SheetRows
{
    QString sheetName; // empty for .csv
    QStringList headings;
    struct Row
    {
        int number = 0;          // counting from 1; row 1 holds the headings
        QList<SheetCell> cells;  // as many as there are headings (or more)
    };
    QList<Row> rows;
};

// Reading a spreadsheet for the import: .xlsx directly, .xls and .ods
// converted to .xlsx through LibreOffice first, .csv in UTF-8 or GBK (told
// apart by whether the bytes are valid UTF-8). Throws SpreadsheetError with a
// Chinese text saying what to do when the file cannot be read, its type is
// not one of these or the named sheet is missing. Used from one thread at a time.
namespace SheetRowsReader {

// sheet: the sheet's name; empty for the first sheet (ignored for .csv).
SheetRows read(const QString &path, const QString &sheet);

// The parts of reading, for the formats one by one.
SheetRows readXlsx(const QString &path, const QString &sheet);
SheetRows readCsv(const QByteArray &bytes);

// Text of a date serial number of a spreadsheet (days since 1899-12-30).
QDate dateOfSerial(double serial);

} // namespace SheetRowsReader
