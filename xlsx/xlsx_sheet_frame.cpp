// A worksheet's XML around the parts a stream writes: rows, merged areas and row breaks.
#include "xlsx_sheet.h"

#include <cstring>

#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

namespace {

const char *RowsMarker = "@@tavro-rows@@";
const char *MergesMarker = "@@tavro-merges@@";
const char *BreaksMarker = "@@tavro-breaks@@";

// The text up to the marker (all of it when the marker is missing); `from` moves past it.
std::string cutAt(const std::string &text, size_t &from, const char *marker)
{
    const size_t at = text.find(marker, from);
    if (at == std::string::npos)
        return {};
    std::string piece = text.substr(from, at - from);
    from = at + std::strlen(marker);
    return piece;
}

} // namespace

std::string XlsxSheet::elementPrefix() const
{
    return prefixOf(m_doc.document_element());
}

XlsxSheet::Frame XlsxSheet::frameXml(const std::string &dimension, long long merges, long long breaks) const
{
    requireWorksheet();
    pugi::xml_document doc;
    doc.reset(m_doc);
    pugi::xml_node root = doc.document_element();
    pugi::xml_node dim = ensureChild(root, "dimension", WorksheetOrder);
    dim.remove_attribute("ref");
    dim.append_attribute("ref") = dimension.c_str();
    writeColumns(root);
    child(root, "sheetData").append_child(pugi::node_pcdata).set_value(RowsMarker);
    if (merges > 0) {
        pugi::xml_node node = ensureChild(root, "mergeCells", WorksheetOrder);
        node.append_attribute("count") = merges;
        node.append_child(pugi::node_pcdata).set_value(MergesMarker);
    }
    while (pugi::xml_node old = child(root, "rowBreaks"))
        root.remove_child(old);
    if (breaks > 0) {
        pugi::xml_node node = ensureChild(root, "rowBreaks", WorksheetOrder);
        node.append_attribute("count") = breaks;
        node.append_attribute("manualBreakCount") = breaks;
        node.append_child(pugi::node_pcdata).set_value(BreaksMarker);
    }
    const std::string xml = save(doc);
    Frame frame;
    size_t from = 0;
    frame.beforeRows = cutAt(xml, from, RowsMarker);
    frame.beforeMerges = cutAt(xml, from, MergesMarker);
    frame.beforeBreaks = cutAt(xml, from, BreaksMarker);
    frame.rest = xml.substr(from);
    return frame;
}
