#pragma once

#include <map>
#include <string>

#include <pugixml.hpp>

#include "xlsx/xlsx_package.h"
#include "xlsx/xlsx_package_walk.h"

// Relationship and content type names of the spreadsheet format.
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

// Relationship parts: where a part's relationships are kept and how their
// targets, relative to the part, name other parts.
namespace XlsxRelationships {

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"
std::string relsPartOf(const std::string &part);
// The part a relationship of sourcePart points at ("../media/a.png" -> "xl/media/a.png").
std::string resolveTarget(const std::string &sourcePart, const std::string &target);
std::string relativeTarget(const std::string &sourcePart, const std::string &targetPart);
// Whether the relationship type ends in "/last" ("worksheet", "styles").
bool typeIs(const char *relationshipType, const char *last);
// Appends a relationship from sourcePart to targetPart; returns its new id ("rId4").
std::string add(pugi::xml_node relationships, const std::string &sourcePart, const std::string &type,
                const std::string &targetPart);

} // namespace XlsxRelationships

// The parts of an xlsx package with their content types ([Content_Types].xml),
// and the cloning of a part together with what its relationships point at.
// Used from one thread at a time.
class XlsxParts final : public XlsxPartSource
{
public:
    XlsxParts() = default;
    explicit XlsxParts(XlsxPackage package) : m_package(std::move(package)) {}

    bool contains(const std::string &name) const override { return m_package.contains(name); }
    void load(pugi::xml_document &doc, const std::string &name) const override;
    const std::string &part(const std::string &name) const { return m_package.part(name); }
    void setPart(const std::string &name, std::string bytes) { m_package.setPart(name, std::move(bytes)); }
    void removePart(const std::string &name) { m_package.removePart(name); }

    // Reads [Content_Types].xml; false when it holds no element. Throws
    // SpreadsheetError when it is no well-formed XML.
    bool loadContentTypes();
    // The content type registered for the part; empty when none is.
    std::string overrideType(const std::string &part) const;
    void addOverride(const std::string &part, const std::string &type);
    void removeOverride(const std::string &part);

    // A name not used yet, like `like` with a number ("xl/worksheets/sheet4.xml").
    std::string uniquePartName(const std::string &like) const;
    // Copies the relationships of fromPart to toPart, cloning the parts they
    // point at (once each, recorded in `cloned`). Pictures and external links
    // are shared. Returns true when relationships to tables had to be left out.
    bool cloneRelationships(const std::string &fromPart, const std::string &toPart,
                            std::map<std::string, std::string> &cloned);

    // The zip file of all parts with the content types as they are now.
    std::string write(int compressionLevel);
    // The package with the content types as they are now, for a writer of its own.
    const XlsxPackage &package();

private:
    std::string clonePart(const std::string &part, std::map<std::string, std::string> &cloned);

    XlsxPackage m_package;
    pugi::xml_document m_contentTypes;
};
