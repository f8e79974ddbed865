#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

#include <QString>

// Where a reader of an xlsx package takes its small parts (relationships, the
// workbook, styles) from: the editor's parts in memory, or the import's zip
// read part by part within its bounds.
class XlsxPartSource
{
public:
    virtual ~XlsxPartSource() = default;
    virtual bool contains(const std::string &part) const = 0;
    // Parses the whole part; throws SpreadsheetError when it is damaged, no
    // well-formed XML or larger than the source allows.
    virtual void load(pugi::xml_document &doc, const std::string &part) const = 0;
};

// One relationship of a part: its id, type and the part it names (resolved).
struct XlsxRelationship
{
    std::string id;
    std::string type;
    std::string part;
};

// A sheet the workbook lists, with the part its relationship names (empty
// when no relationship has its id) and that relationship's type.
struct XlsxSheetEntry
{
    QString name;
    std::string part;
    std::string type;

    bool isWorksheet() const;
};

// The steps every reader of a workbook package takes, whatever it then does
// with the parts: the root relationships lead to the workbook part, its
// relationships to the sheets, the shared strings and the styles.
namespace XlsxPackageWalk {

// The part the root relationships name as the office document, else
// "xl/workbook.xml"; empty when the package holds no such part.
std::string workbookPart(const XlsxPartSource &parts);
// The Relationship elements of a loaded relationships part, their targets
// resolved against sourcePart.
std::vector<XlsxRelationship> relationships(pugi::xml_node relationshipsRoot, const std::string &sourcePart);
// The relationships of the part; none when it has no relationships part.
std::vector<XlsxRelationship> relationshipsOf(const XlsxPartSource &parts, const std::string &part);
// The part of the first relationship of that type ("sharedStrings",
// "styles", the last segment of the type); empty when there is none.
std::string relatedPart(const std::vector<XlsxRelationship> &relationships, const char *typeLast);
// The workbook's sheets in its order; a sheet's relationship id is its
// prefixed id attribute (r:id), a plain id only when it has none.
std::vector<XlsxSheetEntry> sheets(pugi::xml_node workbookRoot, const std::vector<XlsxRelationship> &relationships);
// Whether the workbook counts its dates from 1904 (Excel for Mac).
bool usesDate1904(pugi::xml_node workbookRoot);
// For each cell format of the styles part (the s attribute of a cell):
// whether its number format shows a date. Empty when there is no such part.
std::vector<bool> dateStyles(const XlsxPartSource &parts, const std::string &stylesPart);

} // namespace XlsxPackageWalk
