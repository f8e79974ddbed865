#include "xlsx_package_walk.h"

#include <set>
#include <string_view>

#include "xlsx/xlsx_parts.h"
#include "xlsx/xlsx_xml.h"

using XlsxXml::attribute;
using XlsxXml::child;
using XlsxXml::localName;

namespace {

// Built-in number formats that show a date.
bool isBuiltInDateFormat(int id)
{
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

// A custom format shows a date when it has a date letter outside quotes and brackets.
bool isDateFormatCode(std::string_view code)
{
    bool quoted = false;
    int bracket = 0;
    for (char c : code) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '[')
            ++bracket;
        else if (!quoted && c == ']')
            --bracket;
        else if (!quoted && bracket == 0 && (c == 'y' || c == 'Y' || c == 'd' || c == 'D'))
            return true;
    }
    return false;
}

// The sheet's relationship id: r:id (any prefix) before a plain id.
std::string sheetRelationshipId(pugi::xml_node sheet)
{
    std::string plain;
    for (pugi::xml_attribute a = sheet.first_attribute(); a; a = a.next_attribute()) {
        if (localName(a.name()) != "id")
            continue;
        if (std::string_view(a.name()) != "id")
            return a.value();
        plain = a.value();
    }
    return plain;
}

} // namespace

bool XlsxSheetEntry::isWorksheet() const
{
    return XlsxRelationships::typeIs(type.c_str(), "worksheet");
}

namespace XlsxPackageWalk {

std::string workbookPart(const XlsxPartSource &parts)
{
    std::string part = relatedPart(relationshipsOf(parts, ""), "officeDocument");
    if (part.empty())
        part = "xl/workbook.xml";
    return parts.contains(part) ? part : std::string();
}

std::vector<XlsxRelationship> relationships(pugi::xml_node relationshipsRoot, const std::string &sourcePart)
{
    std::vector<XlsxRelationship> out;
    for (pugi::xml_node r : relationshipsRoot.children()) {
        if (localName(r) == "Relationship")
            out.push_back({r.attribute("Id").value(), r.attribute("Type").value(),
                           XlsxRelationships::resolveTarget(sourcePart, r.attribute("Target").value())});
    }
    return out;
}

std::vector<XlsxRelationship> relationshipsOf(const XlsxPartSource &parts, const std::string &part)
{
    const std::string relsPart = XlsxRelationships::relsPartOf(part);
    if (!parts.contains(relsPart))
        return {};
    pugi::xml_document doc;
    parts.load(doc, relsPart);
    return relationships(doc.document_element(), part);
}

std::string relatedPart(const std::vector<XlsxRelationship> &relationships, const char *typeLast)
{
    for (const XlsxRelationship &r : relationships) {
        if (XlsxRelationships::typeIs(r.type.c_str(), typeLast))
            return r.part;
    }
    return {};
}

std::vector<XlsxSheetEntry> sheets(pugi::xml_node workbookRoot, const std::vector<XlsxRelationship> &relationships)
{
    std::vector<XlsxSheetEntry> out;
    for (pugi::xml_node s : child(workbookRoot, "sheets").children()) {
        if (s.type() != pugi::node_element || localName(s) != "sheet")
            continue;
        XlsxSheetEntry entry;
        entry.name = QString::fromUtf8(s.attribute("name").value());
        const std::string id = sheetRelationshipId(s);
        for (const XlsxRelationship &r : relationships) {
            if (r.id == id) { // a repeated id: the later relationship
                entry.part = r.part;
                entry.type = r.type;
            }
        }
        out.push_back(std::move(entry));
    }
    return out;
}

bool usesDate1904(pugi::xml_node workbookRoot)
{
    return attribute(child(workbookRoot, "workbookPr"), "date1904").as_bool();
}

std::vector<bool> dateStyles(const XlsxPartSource &parts, const std::string &stylesPart)
{
    std::vector<bool> out;
    if (stylesPart.empty() || !parts.contains(stylesPart))
        return out;
    pugi::xml_document doc;
    parts.load(doc, stylesPart);
    const pugi::xml_node root = doc.document_element();
    std::set<int> customDates;
    for (pugi::xml_node fmt : child(root, "numFmts").children()) {
        if (isDateFormatCode(attribute(fmt, "formatCode").value()))
            customDates.insert(attribute(fmt, "numFmtId").as_int());
    }
    for (pugi::xml_node xf : child(root, "cellXfs").children()) {
        if (localName(xf) != "xf")
            continue;
        const int id = attribute(xf, "numFmtId").as_int();
        out.push_back(isBuiltInDateFormat(id) || customDates.count(id) > 0);
    }
    return out;
}

} // namespace XlsxPackageWalk
