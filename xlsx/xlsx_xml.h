#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include <QString>

#include "xlsx/xlsx_cell_text.h"

// Small XML helpers for the parts of an xlsx package. Element names are
// matched by their local name, so documents that put the spreadsheet
// namespace under a prefix ("x:row") read the same as unprefixed ones.
namespace XlsxXml {

std::string_view localName(const char *qualified);
std::string_view localName(pugi::xml_node node);
// The node's prefix with its colon ("x:"), or empty.
std::string prefixOf(pugi::xml_node node);

pugi::xml_node child(pugi::xml_node parent, std::string_view local);
// The attribute by local name ("r:id" matches "id" only when asked for "id").
pugi::xml_attribute attribute(pugi::xml_node node, std::string_view local);

// The child element, created with the parent's prefix when missing, placed
// before the first sibling that comes later in `order` (the schema's sequence).
pugi::xml_node ensureChild(pugi::xml_node parent, const char *local, std::initializer_list<const char *> order);
pugi::xml_node appendChild(pugi::xml_node parent, const char *local);

// Parses a part; throws SpreadsheetError naming the part when it is no well-formed XML.
void load(pugi::xml_document &doc, const std::string &bytes, const std::string &partName);
// The document with an XML declaration, no indentation added.
std::string save(const pugi::xml_document &doc);
// The XML text with the declaration spreadsheet programs write.
std::string withDeclaration(const char *xml);
std::string innerXml(pugi::xml_node node);
std::string outerXml(pugi::xml_node node);

void appendText(std::string &out, std::string_view text);
void appendAttribute(std::string &out, std::string_view name, std::string_view value);

// Numbers as the file format writes them: shortest form that reads back exactly.
std::string number(double value);

// The start of a worksheet row: <{p}row r="N"[ ht="H"[ customHeight="1"]]{attributes}
// (no height when it is negative); the caller closes it with "/>" or ">".
void appendRowStart(std::string &out, const std::string &p, int rowNumber, double height, bool customHeight,
                    const std::string &attributes);
double toDouble(const char *text, double fallback);

// The element order of a worksheet, for ensureChild.
extern const std::initializer_list<const char *> WorksheetOrder;

} // namespace XlsxXml
