#pragma once

#include <memory>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/atomic_file.h"
#include "xlsx/xlsx_sheet.h"

class XlsxBook;
class XlsxSheetStream;

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

    // Writes the workbook as saveAs does, straight into the file as it is
    // produced: each sheet given takes its rows, merged areas and row breaks
    // from its stream (see XlsxSheetStream), its big part deflated at a fast
    // level while the next bytes are produced, so that memory does not grow
    // with the rows. The file appears at the path only when whole.
    void saveStreaming(const QString &path, AtomicFile::Existing existing,
                       const std::vector<std::pair<const XlsxSheet *, XlsxSheetStream *>> &streams);

    // Why a name cannot be a sheet name; empty when it can.
    static QString sheetNameProblem(const QString &name);

private:
    explicit XlsxWorkbook(std::unique_ptr<XlsxBook> book);
    std::unique_ptr<XlsxBook> d;
};
