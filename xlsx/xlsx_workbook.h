#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include <QList>
#include <QString>
#include <QStringList>

#include "platform/atomic_file.h"
#include "xlsx/xlsx_address.h"

class XlsxWorkbook;
struct XlsxBook;

// One worksheet of an XlsxWorkbook, edited in memory: cell texts, row heights,
// block copies with their formats and merged areas, page margins, footer and
// print area. Cell contents are kept in a compact model of their own; the rest
// of the sheet's XML (views, columns, page setup, drawings) stays as the file
// had it. Belongs to its workbook; used from one thread at a time.
class XlsxSheet
{
public:
    enum class Margin { Left, Right, Top, Bottom, Header, Footer };

    ~XlsxSheet();
    XlsxSheet(const XlsxSheet &) = delete;
    XlsxSheet &operator=(const XlsxSheet &) = delete;

    QString name() const { return m_name; }
    // Position in the workbook, counting from 1.
    int index() const;
    bool isWorksheet() const { return m_isWorksheet; }

    // Stores the text as a string in that one cell, keeping the cell's format.
    // An empty text empties the cell.
    void setCellText(int row, int column, const QString &text);
    // The cell's value as text (numbers as the file stores them); empty when none.
    QString cellText(int row, int column) const;
    // The cell's style index in the workbook's cell formats; -1 when it has none.
    int cellStyle(int row, int column) const;
    bool hasCell(int row, int column) const;
    // Last row and column holding a cell; 0 when the sheet is empty.
    int lastRow() const;
    int lastColumn() const;

    // The row's height in points; the sheet's default height for rows without one.
    double rowHeight(int row) const;
    void setRowHeight(int row, double points);
    double defaultRowHeight() const;

    // Rows from firstRow to lastRow whose wrapped text (cells formatted to wrap)
    // needs more lines than the row's height holds are made high enough for it;
    // no row gets lower.
    void growRowsToFitText(int firstRow, int lastRow);
    // A manual page break below the row.
    void addRowBreak(int afterRow);

    // Copies the block `from` ("F50:A1", either corner first) of this sheet onto
    // the block of `target` whose top-left corner is the top-left of `to`:
    // values, formulas (relative references moved), cell formats and the
    // merged areas lying inside the block. What `to` held before is replaced.
    // Both sheets must belong to the same workbook.
    void copyRange(const QString &from, XlsxSheet &target, const QString &to) const;

    QList<CellRange> mergedRanges() const;
    // Merges a block; throws SpreadsheetError when it overlaps an existing merged area.
    void merge(const QString &range);

    double margin(Margin which) const; // inches, as the file stores them
    void setMargin(Margin which, double inches);

    // The right part of the footer (codes such as &P kept as written).
    QString rightFooter() const;
    void setRightFooter(const QString &text);

    // The sheet's print area ("$A$1:$F$50"), empty when none is set.
    QString printArea() const;
    void clearPrintArea();

    // Gives every cell of the sheet the text format "@".
    void formatAllCellsAsText();
    // Fits the widths of the columns in "A:AA" (or "B", "C:C") to their contents;
    // an East Asian character counts about twice a Latin one.
    void autoFitColumns(const QString &columns);
    // The column's width in character units; the sheet's default when not set.
    double columnWidth(int column) const;
    // The column's style index; -1 when it has none.
    int columnStyle(int column) const;

private:
    friend class XlsxWorkbook;
    friend struct XlsxBook;

    enum class CellType : unsigned char { Number, Shared, Inline, String, Boolean, Error, Date };
    // Rarely used parts of a cell, shared between copies.
    struct CellExtra
    {
        std::string attributes; // other attributes, already escaped
        std::string formula;
        std::string formulaAttributes; // already escaped; non-empty for shared and array formulas
        bool hasFormula = false;
        std::string children; // other child elements, raw XML
    };
    struct Cell
    {
        int column = 0;
        int style = -1;
        CellType type = CellType::Number;
        bool hasValue = false;
        std::string value; // <v> text, or the inner XML of <is>
        std::shared_ptr<const CellExtra> extra;
    };
    struct Row
    {
        double height = -1; // negative: none
        bool customHeight = false;
        std::string attributes; // other attributes, already escaped
        std::vector<Cell> cells; // ordered by column
    };
    struct Column
    {
        int min = 0;
        int max = 0;
        double width = -1;
        int style = -1;
        bool customWidth = false;
        std::string attributes;
    };

    XlsxSheet(XlsxBook *book, const QString &name, std::string part);
    void requireWorksheet() const;
    void loadXml(const std::string &bytes);
    void loadRows(pugi::xml_node sheetData);
    void loadColumns(pugi::xml_node cols);
    void loadMerges(pugi::xml_node mergeCells);
    std::string saveXml() const;
    void writeRows(std::string &out, const std::string &prefix) const;
    void copyContentFrom(const XlsxSheet &other);

    const Cell *findCell(int row, int column) const;
    Cell &cellAt(int row, int column);
    void removeCellsIn(const CellRange &block);
    // The font size of the cell format when it wraps its text, else 0.
    double wrappedFontPoints(int style) const;
    void splitColumns(int first, int last);
    double defaultColumnWidth() const;
    void setFooterRight(pugi::xml_node footer, const QString &text);

    XlsxBook *m_book;
    QString m_name;
    std::string m_part;
    bool m_isWorksheet = true;
    pugi::xml_document m_doc; // the sheet without rows, columns and merged areas
    std::map<int, Row> m_rows;
    std::vector<Column> m_columns;
    std::vector<CellRange> m_merges;
    int m_mergeBottom = 0; // lowest row of any merged area, to skip overlap tests
};

// An .xlsx workbook opened from a file or created anew, edited in memory and
// written to a new file. The file it was opened from is never written.
// Used from one thread at a time.
class XlsxWorkbook
{
public:
    // Throws SpreadsheetError with a clear text when the file is missing,
    // damaged or no xlsx workbook.
    static XlsxWorkbook open(const QString &path);
    // A new workbook with one empty sheet "Sheet1".
    static XlsxWorkbook create();

    XlsxWorkbook(XlsxWorkbook &&) noexcept;
    XlsxWorkbook &operator=(XlsxWorkbook &&) noexcept;
    ~XlsxWorkbook();

    int sheetCount() const;
    QStringList sheetNames() const;
    // Sheet by position counting from 1, or by name (letter case ignored).
    // Throw SpreadsheetError when there is no such sheet.
    XlsxSheet &sheet(int index);
    XlsxSheet &sheet(const QString &name);
    XlsxSheet *findSheet(const QString &name);

    // A full copy of the sheet (cells, formats, merged areas, page setup,
    // drawings) inserted as sheet 1, named as spreadsheet programs name a copy
    // ("打印模板 (2)").
    XlsxSheet &copySheetToFront(const XlsxSheet &source);
    // A new empty worksheet inserted as sheet 1. Throws SpreadsheetError when
    // the name is not allowed for a sheet or is taken.
    XlsxSheet &addSheetInFront(const QString &name);

    // Makes the sheet the one shown when the file is opened.
    void activate(const XlsxSheet &sheet);
    // Hides every other sheet (rendering then shows this sheet alone) and activates it.
    void hideAllBut(const XlsxSheet &sheet);
    bool isHidden(const XlsxSheet &sheet) const;
    const XlsxSheet &activeSheet() const;

    // Writes the workbook as a whole through AtomicFile: a file already at the
    // path is replaced (or, with Existing::Keep, left and the save refused);
    // never the file it was opened from. Throws SpreadsheetError or FileError.
    void saveAs(const QString &path, int compressionLevel = 6,
                AtomicFile::Existing existing = AtomicFile::Existing::Replace);

    // Why a name cannot be a sheet name; empty when it can.
    static QString sheetNameProblem(const QString &name);

private:
    explicit XlsxWorkbook(std::unique_ptr<XlsxBook> book);
    std::unique_ptr<XlsxBook> d;
};
