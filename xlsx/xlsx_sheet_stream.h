#pragma once

#include <string>

class XlsxSheet;
class XlsxZipStream;

// The rows, merged areas and row breaks of one sheet, written straight into
// the file when its workbook is saved with XlsxWorkbook::saveStreaming; the
// sheet's model gives everything else (columns, views, page setup). Calls come
// in this order: prepare, the counts, rows, merges, breaks. Texts the rows
// put in the workbook's shared strings go through the sheet's workbook.
class XlsxSheetStream
{
public:
    virtual ~XlsxSheetStream() = default;

    // Work that must precede the sheet's head (e.g. column widths fitted to the contents).
    virtual void prepare(XlsxSheet &) {}
    // The area the cells cover ("A1:F500"; "A1" when there are none).
    virtual std::string dimension() const = 0;
    virtual long long mergeCount() const = 0;
    virtual long long breakCount() const = 0;
    // The elements themselves (<row>, <mergeCell>, <brk>), with the sheet's prefix.
    virtual void writeRows(XlsxZipStream &out, const std::string &prefix) = 0;
    virtual void writeMerges(XlsxZipStream &out, const std::string &prefix) = 0;
    virtual void writeBreaks(XlsxZipStream &out, const std::string &prefix) = 0;
    // How many of the written cells refer to the shared string table.
    virtual long long sharedStringReferences() const = 0;
};
