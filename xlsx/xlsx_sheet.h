#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include <QList>
#include <QString>

#include "xlsx/xlsx_address.h"

class XlsxBook;

// One worksheet of an XlsxWorkbook, edited in memory: cell texts, row heights,
// block copies with their formats and merged areas, page margins, footer and
// print area. Cell contents are kept in a compact model of their own; the rest
// of the sheet's XML (views, columns, page setup, drawings) stays as the file
// had it. Belongs to its workbook; used from one thread at a time.
class XlsxSheet
{
public:
    enum class Margin { Left, Right, Top, Bottom, Header, Footer };

    // Made by the workbook that owns the sheet (its part in the package, and
    // whether it is a worksheet rather than a chart sheet).
    XlsxSheet(XlsxBook &book, const QString &name, std::string part, bool isWorksheet);
    ~XlsxSheet();
    XlsxSheet(const XlsxSheet &) = delete;
    XlsxSheet &operator=(const XlsxSheet &) = delete;

    QString name() const { return m_name; }
    // Renames the sheet (and the workbook's references to it). Throws
    // SpreadsheetError when the name is not allowed or taken by another sheet.
    void rename(const QString &name);
    // Position in the workbook, counting from 1.
    int index() const;
    bool isWorksheet() const { return m_isWorksheet; }

    // Stores the text as a string in that one cell, keeping the cell's format.
    // An empty text empties the cell.
    void setCellText(int row, int column, const QString &text);
    // The cell's value as text (numbers as the file stores them); empty when none.
    QString cellText(int row, int column) const;
    bool hasCell(int row, int column) const;
    // The cell's value as the file stores it (a shared string's index); empty when none.
    std::string storedValue(int row, int column) const;
    // The index of the text (as XlsxXml::encodeCellText gives it) in the
    // workbook's shared strings, added when no plain entry holds it yet.
    int addSharedString(const std::string &encodedText);
    // Removes every row with its cells (a stream writes them instead).
    void clearRows() { m_rows.clear(); }

    // The row's height in points; the sheet's default height for rows without one.
    double rowHeight(int row) const;
    void setRowHeight(int row, double points);
    double defaultRowHeight() const;

    // Rows from firstRow to lastRow whose wrapped text (cells formatted to wrap)
    // needs more lines than the row's height holds are made high enough for it;
    // no row gets lower.
    void growRowsToFitText(int firstRow, int lastRow);
    // The height the text needs in that cell (formatted as `style`, in the
    // merged areas given) when it wraps onto more than one line; 0 otherwise.
    double neededHeight(int row, int column, int style, const QString &text, const std::vector<CellRange> &merges) const;
    // A row of that height grown for what its cells need.
    static double fittedHeight(double height, double needed);
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

    // Prints the sheet as a list on paper: A4 landscape, scaled to pagesWide
    // pages wide (as many pages tall as it needs), rows 1 to headingRows
    // repeated at the top of every page and, on a list more than one page
    // wide, the first titleColumns columns at the left of every page.
    void printAsList(int headingRows = 1, int titleColumns = 0, int pagesWide = 1);
    // How many pages wide a list of that many columns prints readably.
    static int listPagesWide(int columns);
    // The widest column of such a list, in character units: wider text wraps.
    static constexpr double ListColumnMaxWidth = 40;
    // The rows printed on every page ("'问题'!$1:$1"), empty when none.
    QString printTitles() const;

    // Gives every cell of the sheet the text format "@".
    void formatAllCellsAsText();
    // Fits the widths of the columns in "A:AA" (or "B", "C:C") to their contents;
    // an East Asian character counts about twice a Latin one.
    // Wider than maxWidth: as fitColumns.
    void autoFitColumns(const QString &columns, double maxWidth = 255);
    // Fits the widths of the columns from `from` on to the widest text of
    // each (textUnits; negative: the column keeps its width). A column whose
    // text is wider than maxWidth gets that width and wraps its text (its
    // cells and the new cells of the column take the wrapped text format).
    void fitColumns(int from, const std::vector<double> &widest, double maxWidth = 255);
    // The display width of cell text as the file stores it, in units of one
    // Latin character (an East Asian character counts two; the longest line counts).
    static double textUnits(std::string_view storedText);
    // The cell format like `style`, in the text format, that wraps its text.
    int wrappedStyle(int style);
    // The cell format a new cell of the column takes; -1 when none.
    int newCellStyle(int column) const { return columnStyle(column); }
    // The column's width in character units; the sheet's default when not set.
    double columnWidth(int column) const;

    // For the workbook that owns the sheet.
    // The XML of a new empty worksheet.
    static const char *newPartXml();
    const std::string &part() const { return m_part; }
    // Reads the worksheet part; throws SpreadsheetError when it is damaged.
    void loadXml(const std::string &bytes);
    std::string saveXml() const;
    // Takes the content of another worksheet of the workbook (not its tab selection).
    void copyContentFrom(const XlsxSheet &other);
    // Leaves out the sheet's table references (when its tables were not copied).
    void dropTableParts();
    void setTabSelected(bool selected);
    // How many cells refer to the shared string table.
    long long sharedStringReferences() const;

    // The sheet's XML cut where its rows, merged areas and row breaks go, for
    // a writer that streams them (XlsxSheetStream): the model's own rows,
    // merged areas and row breaks are left out; the counts are those the
    // writer will write, the dimension the area its cells cover ("A1:F500").
    struct Frame
    {
        std::string beforeRows, beforeMerges, beforeBreaks, rest;
    };
    Frame frameXml(const std::string &dimension, long long merges, long long breaks) const;
    // The namespace prefix of the sheet's elements ("x:"), or empty.
    std::string elementPrefix() const;

private:
    friend class XlsxBlockTemplate;
    friend class XlsxBook; // renames the sheet
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

    void requireWorksheet() const;
    void loadRows(pugi::xml_node sheetData);
    void loadColumns(pugi::xml_node cols);
    void loadMerges(pugi::xml_node mergeCells);
    void writeColumns(pugi::xml_node root) const;
    void writeRows(std::string &out, const std::string &prefix) const;
    // A cell's XML after its r attribute: style, type, formula and value.
    static void appendCellBody(std::string &out, const Cell &cell, const std::string &prefix);

    const Cell *findCell(int row, int column) const;
    Cell &cellAt(int row, int column);
    void removeCellsIn(const CellRange &block);
    void splitColumns(int first, int last);
    double defaultColumnWidth() const;
    // The column's style index; -1 when it has none.
    int columnStyle(int column) const;

    XlsxBook *m_book;
    QString m_name;
    std::string m_part;
    bool m_isWorksheet;
    pugi::xml_document m_doc; // the sheet without rows, columns and merged areas
    std::map<int, Row> m_rows;
    std::vector<Column> m_columns;
    std::vector<CellRange> m_merges;
    int m_mergeBottom = 0; // lowest row of any merged area, to skip overlap tests
};
