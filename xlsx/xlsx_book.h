#pragma once

// Internal to the xlsx editor: the workbook behind an XlsxWorkbook, holding
// the package, the workbook part, the sheets and what they share.

#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include <QString>

#include "platform/atomic_file.h"
#include "xlsx/xlsx_parts.h"
#include "xlsx/xlsx_shared_strings.h"
#include "xlsx/xlsx_styles.h"

class XlsxSheet;
class XlsxSheetStream;

// The workbook part (sheet list, views, defined names) and the parts its
// sheets share. Sheets are addressed by position counting from 0.
// Used from one thread at a time.
class XlsxBook
{
public:
    // Reads the workbook of the package. Throws SpreadsheetError naming
    // sourcePath (empty for a new workbook) when the package is no workbook.
    XlsxBook(XlsxPackage package, const QString &sourcePath);
    ~XlsxBook();
    XlsxBook(const XlsxBook &) = delete;
    XlsxBook &operator=(const XlsxBook &) = delete;

    int sheetCount() const { return int(m_sheets.size()); }
    XlsxSheet &sheetAt(int index0) const { return *m_sheets[size_t(index0)]; }
    // -1 when the sheet is not one of this workbook.
    int indexOf(const XlsxSheet *sheet) const;
    XlsxSheet *findSheet(const QString &name) const;

    XlsxSheet &addSheetInFront(const QString &name);
    XlsxSheet &copySheetToFront(const XlsxSheet &source);

    void activate(const XlsxSheet &sheet);
    void hideAllBut(const XlsxSheet &sheet);
    bool isHidden(const XlsxSheet &sheet) const;
    int activeIndex() const;

    // What the sheets share.
    XlsxSharedStrings &strings() { return m_strings; }
    const XlsxStyles &styles() const { return m_styles; }
    // The cell format like `style` with the number format "@"; starts a styles
    // part when the workbook has none.
    int textVariantOf(int style);
    // The text variant that wraps at the column's width (see XlsxStyles).
    int wrappedVariantOf(int style);
    // The rows repeated at the top of every printed page ("'问题'!$1:$1"), empty when none.
    QString printTitles(int index0) const;
    // Repeats rows first to last at the top of every printed page and, when
    // titleColumns > 0, columns A to that one at the left of every page.
    void setPrintTitleRows(int index0, int first, int last, int titleColumns = 0);
    // Renames the sheet and the references of the workbook's defined names to it.
    void renameSheet(int index0, const QString &name);
    // The sheet's print area ("$A$1:$F$50"), empty when none is set.
    QString printArea(int index0) const;
    void clearPrintArea(int index0);

    void saveAs(const QString &path, int compressionLevel, AtomicFile::Existing existing);
    // See XlsxWorkbook::saveStreaming.
    void saveStreaming(const QString &path, AtomicFile::Existing existing,
                       const std::vector<std::pair<const XlsxSheet *, XlsxSheetStream *>> &streams);

private:
    void load();
    void refuseSource(const QString &path) const;
    void ensureStringsPart();
    int indexOfChecked(const XlsxSheet &sheet) const;
    pugi::xml_node sheetsNode() const;
    pugi::xml_node sheetEntry(int index0) const;
    pugi::xml_node definedNames() const;
    pugi::xml_node printAreaName(int index0) const;
    // The defined name of that sheet ("_xlnm.Print_Area"); null when none.
    pugi::xml_node sheetLocalName(const char *name, int index0) const;
    std::string addWorkbookRelationship(const std::string &type, const std::string &targetPart);
    QString copyName(const QString &name) const;
    void registerSheetInFront(std::unique_ptr<XlsxSheet> sheet, const XlsxSheet *copiedFrom);

    QString m_sourcePath;
    XlsxParts m_parts;
    std::string m_workbookPart;
    pugi::xml_document m_workbook;
    pugi::xml_document m_workbookRels;
    std::vector<std::unique_ptr<XlsxSheet>> m_sheets;
    std::string m_stringsPart;
    XlsxSharedStrings m_strings;
    std::string m_stylesPart;
    XlsxStyles m_styles;
};
