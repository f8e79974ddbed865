#include "xlsx_shared_strings.h"

#include <algorithm>
#include <cctype>

#include <pugixml.hpp>

#include "xlsx/xlsx_parts.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

void XlsxSharedStrings::load(const std::string &bytes, const std::string &partName)
{
    pugi::xml_document sst;
    XlsxXml::load(sst, bytes, partName);
    pugi::xml_node root = sst.document_element();
    m_prefix = prefixOf(root);
    for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        if (name != "count" && name != "uniqueCount")
            appendAttribute(m_rootAttributes, name, a.value());
    }
    for (pugi::xml_node si = root.first_child(); si; si = si.next_sibling()) {
        if (si.type() != pugi::node_element || localName(si) != "si")
            continue;
        std::string plain;
        int elements = 0;
        bool simple = true;
        for (pugi::xml_node part = si.first_child(); part; part = part.next_sibling()) {
            if (part.type() != pugi::node_element)
                continue;
            ++elements;
            if (localName(part) == "t") {
                plain += part.child_value();
            } else {
                simple = false;
                if (localName(part) == "r")
                    plain += child(part, "t").child_value();
            }
        }
        m_xml.push_back(innerXml(si));
        m_plain.push_back(std::move(plain));
        m_isPlain.push_back(simple && elements == 1);
    }
}

int XlsxSharedStrings::add(const std::string &encodedText)
{
    if (!m_indexBuilt) {
        for (size_t i = 0; i < m_plain.size(); ++i) {
            if (m_isPlain[i])
                m_index.emplace(m_plain[i], int(i));
        }
        m_indexBuilt = true;
    }
    if (auto it = m_index.find(encodedText); it != m_index.end())
        return it->second;
    const bool keepBlanks = !encodedText.empty()
                            && (std::isspace((unsigned char)encodedText.front())
                                || std::isspace((unsigned char)encodedText.back()));
    std::string xml = "<" + m_prefix + "t" + (keepBlanks ? " xml:space=\"preserve\">" : ">");
    appendText(xml, encodedText);
    xml += "</" + m_prefix + "t>";
    const int index = int(m_xml.size());
    m_xml.push_back(std::move(xml));
    m_plain.push_back(encodedText);
    m_isPlain.push_back(true);
    m_index.emplace(encodedText, index);
    return index;
}

QString XlsxSharedStrings::text(int index) const
{
    if (index < 0 || size_t(index) >= m_plain.size())
        return {};
    return decodeCellText(m_plain[size_t(index)]);
}

std::string_view XlsxSharedStrings::stored(int index) const
{
    if (index < 0 || size_t(index) >= m_plain.size())
        return {};
    return m_plain[size_t(index)];
}

std::string XlsxSharedStrings::xml(long long references) const
{
    const std::string &p = m_prefix;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<" + p + "sst";
    if (m_rootAttributes.empty()) {
        out += " xmlns=\"";
        out += XlsxTypes::MainNs;
        out += '"';
    } else {
        out += m_rootAttributes;
    }
    out += " count=\"" + std::to_string(std::max<long long>(references, (long long)m_xml.size())) + "\"";
    out += " uniqueCount=\"" + std::to_string(m_xml.size()) + "\">";
    for (const std::string &xml : m_xml) {
        out += "<" + p + "si>";
        out += xml;
        out += "</" + p + "si>";
    }
    out += "</" + p + "sst>";
    return out;
}
