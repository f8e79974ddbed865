#pragma once

// Internal to the xlsx editor: the workbook-wide state that its sheets share.

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include <QString>

#include "xlsx/xlsx_package.h"

class XlsxSheet;

namespace XlsxTypes {
inline constexpr const char *Worksheet = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr const char *SharedStrings = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
inline constexpr const char *Styles = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr const char *RelWorksheet = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr const char *RelSharedStrings = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
inline constexpr const char *RelStyles = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr const char *MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char *RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
} // namespace XlsxTypes

struct XlsxBook
{
    QString sourcePath;
    XlsxPackage package;
    pugi::xml_document contentTypes;
    std::string workbookPart;
    pugi::xml_document workbook;
    pugi::xml_document workbookRels;
    std::vector<std::unique_ptr<XlsxSheet>> sheets;

    // Shared strings: the inner XML of every <si>, its plain text (still with
    // _xHHHH_ escapes) and an index of the plain entries for reuse.
    std::string stringsPart;
    std::string stringsRootAttributes;
    std::string stringsPrefix;
    std::vector<std::string> stringXml;
    std::vector<std::string> stringPlain;
    std::vector<bool> stringIsPlain;
    std::unordered_map<std::string, int> stringIndex;
    bool stringIndexBuilt = false;

    std::string stylesPart;
    pugi::xml_document styles;
    bool stylesChanged = false;
    std::map<int, int> textVariants;

    void load();
    std::string saveStrings(long long references) const;

    int indexOf(const XlsxSheet *sheet) const;
    pugi::xml_node sheetsNode() const;
    pugi::xml_node sheetEntry(int index0) const;

    int addString(const std::string &encodedText);
    QString stringText(int index) const;

    // The cell format like `style` but with the number format "@".
    int textVariantOf(int style);

    pugi::xml_node definedNames() const;
    pugi::xml_node printAreaName(int index0) const;

    void registerSheetInFront(std::unique_ptr<XlsxSheet> sheet, const XlsxSheet *copiedFrom);
    QString copyName(const QString &name) const;

    // Parts and relationships.
    std::string overrideType(const std::string &part) const;
    void addOverride(const std::string &part, const std::string &type);
    void removeOverride(const std::string &part);
    std::string uniquePartName(const std::string &like) const;
    std::string addWorkbookRelationship(const std::string &type, const std::string &targetPart);
    std::string clonePart(const std::string &part, std::map<std::string, std::string> &cloned);
    // Copies the relationships of fromPart to toPart, cloning what they point at.
    // Returns true when relationships to tables had to be left out.
    bool cloneRelationships(const std::string &fromPart, const std::string &toPart,
                            std::map<std::string, std::string> &cloned);

    static std::string relsPartOf(const std::string &part);
    static std::string resolveTarget(const std::string &sourcePart, const std::string &target);
    static std::string relativeTarget(const std::string &sourcePart, const std::string &targetPart);
    static bool typeIs(const char *relationshipType, const char *last);
    static std::string nextRelationshipId(pugi::xml_node relationships);
};
