#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "xlsx/xlsx_package_walk.h"
#include "xlsx/xlsx_xml_pull.h"

// An .xlsx read for its values as a stream: the zip is read straight from the
// file, part by part with every part's CRC-32 checked; the package is walked
// once (workbook, sheets, shared strings, styles) with each small part bounded
// by smallPartBytes; large parts (a worksheet, the shared strings) are opened
// as XML pull parsers. Throws SpreadsheetError with a Chinese text naming the
// file. Used from one thread at a time.
class XlsxStreamedWorkbook
{
public:
    XlsxStreamedWorkbook(const QString &path, std::uint64_t smallPartBytes);
    ~XlsxStreamedWorkbook();
    XlsxStreamedWorkbook(const XlsxStreamedWorkbook &) = delete;
    XlsxStreamedWorkbook &operator=(const XlsxStreamedWorkbook &) = delete;

    // False when the package holds no workbook part; nothing else is read then.
    bool isWorkbook() const { return !m_workbookPart.empty(); }
    const std::vector<XlsxSheetEntry> &sheets() const { return m_sheets; }
    bool contains(const std::string &part) const;
    bool usesDate1904() const { return m_date1904; }
    // Empty when the workbook has no shared strings.
    const std::string &sharedStringsPart() const { return m_stringsPart; }
    // See XlsxPackageWalk::dateStyles; the styles part is read on this call.
    std::vector<bool> dateStyles() const;
    // The part read token by token; refused when it unpacks to more than maxBytes.
    std::unique_ptr<XlsxXmlPull> open(const std::string &part, std::uint64_t maxBytes) const;

private:
    QString m_path;
    std::unique_ptr<XlsxZipReader> m_zip;
    std::unique_ptr<XlsxZipParts> m_parts;
    std::string m_workbookPart;
    std::vector<XlsxSheetEntry> m_sheets;
    bool m_date1904 = false;
    std::string m_stringsPart;
    std::string m_stylesPart;
};
