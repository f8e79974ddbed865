#include "xlsx_styles.h"

#include <string_view>
#include <vector>

#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

const char *XlsxStyles::newPartXml()
{
    return "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Noto Sans CJK SC\"/><family val=\"2\"/>"
           "<charset val=\"134\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
           "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
           "</styleSheet>";
}

void XlsxStyles::load(const std::string &bytes, const std::string &partName)
{
    XlsxXml::load(m_doc, bytes, partName);
}

void XlsxStyles::loadNew()
{
    XlsxXml::load(m_doc, withDeclaration(newPartXml()), "styles");
    m_changed = true;
}

int XlsxStyles::textVariantOf(int style)
{
    if (auto it = m_textVariants.find(style); it != m_textVariants.end())
        return it->second;
    pugi::xml_node root = m_doc.document_element();
    pugi::xml_node cellXfs = ensureChild(root, "cellXfs",
                                         {"numFmts", "fonts", "fills", "borders", "cellStyleXfs", "cellXfs",
                                          "cellStyles", "dxfs", "tableStyles", "colors", "extLst"});
    std::vector<pugi::xml_node> xfs;
    for (pugi::xml_node xf = cellXfs.first_child(); xf; xf = xf.next_sibling()) {
        if (xf.type() == pugi::node_element)
            xfs.push_back(xf);
    }
    if (xfs.empty()) {
        pugi::xml_node xf = appendChild(cellXfs, "xf");
        for (const char *a : {"numFmtId", "fontId", "fillId", "borderId", "xfId"})
            xf.append_attribute(a) = "0";
        xfs.push_back(xf);
    }
    const int baseIndex = style >= 0 && size_t(style) < xfs.size() ? style : 0;
    pugi::xml_node base = xfs[size_t(baseIndex)];
    int result = baseIndex;
    if (std::string_view(base.attribute("numFmtId").value()) != "49") {
        pugi::xml_node xf = cellXfs.append_copy(base);
        if (!xf.attribute("numFmtId"))
            xf.append_attribute("numFmtId");
        xf.attribute("numFmtId") = "49";
        if (!xf.attribute("applyNumberFormat"))
            xf.append_attribute("applyNumberFormat");
        xf.attribute("applyNumberFormat") = "1";
        result = int(xfs.size());
        if (!cellXfs.attribute("count"))
            cellXfs.append_attribute("count");
        cellXfs.attribute("count") = int(xfs.size() + 1);
        m_changed = true;
    }
    m_textVariants[style] = result;
    return result;
}

int XlsxStyles::wrappedVariantOf(int style)
{
    if (auto it = m_wrapVariants.find(style); it != m_wrapVariants.end())
        return it->second;
    // The text variant first: it makes sure the cell formats exist.
    const int text = textVariantOf(style);
    pugi::xml_node cellXfs = child(m_doc.document_element(), "cellXfs");
    int count = 0;
    pugi::xml_node base;
    for (pugi::xml_node xf = child(cellXfs, "xf"); xf; xf = xf.next_sibling(xf.name()), ++count) {
        if (count == text)
            base = xf;
    }
    if (attribute(child(base, "alignment"), "wrapText").as_bool()) {
        m_wrapVariants[style] = text;
        return text;
    }
    pugi::xml_node xf = cellXfs.append_copy(base);
    // The vertical alignment stays the base's, so a wrapped cell lines up with its row.
    pugi::xml_node alignment = ensureChild(xf, "alignment", {"alignment", "protection", "extLst"});
    if (!alignment.attribute("wrapText"))
        alignment.append_attribute("wrapText");
    alignment.attribute("wrapText") = "1";
    if (!xf.attribute("applyAlignment"))
        xf.append_attribute("applyAlignment");
    xf.attribute("applyAlignment") = "1";
    if (!cellXfs.attribute("count"))
        cellXfs.append_attribute("count");
    cellXfs.attribute("count") = count + 1;
    m_changed = true;
    m_wrapVariants[style] = count;
    return count;
}

double XlsxStyles::wrappedFontPoints(int style) const
{
    if (style < 0)
        return 0;
    const pugi::xml_node root = m_doc.document_element();
    pugi::xml_node xf = child(child(root, "cellXfs"), "xf");
    for (int i = 0; xf && i < style; ++i)
        xf = xf.next_sibling(xf.name());
    if (!xf || !attribute(child(xf, "alignment"), "wrapText").as_bool())
        return 0;
    pugi::xml_node font = child(child(root, "fonts"), "font");
    for (int i = attribute(xf, "fontId").as_int(0); font && i > 0; --i)
        font = font.next_sibling(font.name());
    return toDouble(attribute(child(font, "sz"), "val").value(), 11.0);
}

std::string XlsxStyles::xml() const
{
    return save(m_doc);
}
