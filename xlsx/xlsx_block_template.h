#pragma once

#include <string>
#include <vector>

#include <QString>

#include "xlsx/xlsx_address.h"

class XlsxSheet;

// A block of rows of a sheet (its cells, formats, row heights and merged
// areas) serialised once and written again at other rows, with other texts
// in some of its cells (the slots): the multi-person export stacks one copy
// per student without building the sheet. Labels the block holds as inline
// text go into the workbook's shared strings, one entry each, so that every
// copy refers to them. A slot's row grows when its text wraps onto more lines
// than the row holds, as XlsxSheet::growRowsToFitText grows it. Slot texts are
// written inline (see XlsxAppendTextCell): they differ from copy to copy, and
// the file never keeps a table of them. The sheet must outlive the template; one thread at a time.
class XlsxBlockTemplate
{
public:
    struct Slot
    {
        int row = 0; // rows of the sheet, inside the block
        int column = 0;
    };

    XlsxBlockTemplate(XlsxSheet &sheet, int firstRow, int lastRow, const std::vector<Slot> &slotCells);

    int rowCount() const { return m_last - m_first + 1; }
    // Appends the block's <row> elements beginning at `firstRow`, texts[i]
    // in slotCells[i] (an empty text leaves the cell empty, keeping its format).
    void appendRows(std::string &out, int firstRow, const std::vector<QString> &texts);
    // Appends the block's <mergeCell> elements moved to begin at `firstRow`.
    void appendMerges(std::string &out, int firstRow) const;
    int mergeCount() const { return int(m_merges.size()); }
    // Cells of one copy that refer to the shared strings, and the slots written so far that do.
    int sharedReferences() const { return m_sharedReferences; }
    long long slotSharedReferences() const { return m_slotSharedReferences; }
    // The cells of `copies` copies stacked from the block's own first row ("A1:F500").
    std::string dimension(int copies) const;

private:
    struct CellPiece
    {
        int column = 0;
        std::string columnLetters;
        std::string body; // a fixed cell: its XML after the r attribute
        int slot = -1;
        std::string styleAttribute; // a slot's s attribute, when it has a format
        int style = -1;
        bool wraps = false;
    };
    struct RowPiece
    {
        int row = 0;
        double height = -1;
        bool customHeight = false;
        std::string attributes;
        double fixedNeeded = 0; // what the fixed cells' texts need
        std::vector<CellPiece> cells;
    };

    XlsxSheet &m_sheet;
    int m_first;
    int m_last;
    std::string m_prefix;
    std::vector<RowPiece> m_rows;
    std::vector<CellRange> m_merges; // as in the sheet
    std::vector<int> m_slotRows;
    int m_sharedReferences = 0;
    long long m_slotSharedReferences = 0;
    int m_top = 0, m_bottom = 0, m_left = 0, m_right = 0; // the cells' extent, 0 when none
};
