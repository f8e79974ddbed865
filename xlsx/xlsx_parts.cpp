#include "xlsx_parts.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include <QString>

#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

namespace {

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive)
           == 0;
}

std::string directory(const std::string &part)
{
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::vector<std::string> segments(const std::string &path)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        out.push_back(path.substr(start, end - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return out;
}

std::string nextRelationshipId(pugi::xml_node relationships)
{
    int highest = 0;
    for (pugi::xml_node r : relationships.children()) {
        std::string_view id = r.attribute("Id").value();
        if (id.size() > 3 && id.substr(0, 3) == "rId")
            highest = std::max(highest, std::atoi(std::string(id.substr(3)).c_str()));
    }
    std::string id;
    do {
        id = "rId" + std::to_string(++highest);
    } while (relationships.find_child_by_attribute("Id", id.c_str()));
    return id;
}

} // namespace

namespace XlsxRelationships {

std::string relsPartOf(const std::string &part)
{
    const std::string dir = directory(part);
    return dir + "_rels/" + part.substr(dir.size()) + ".rels";
}

std::string resolveTarget(const std::string &sourcePart, const std::string &target)
{
    std::string path = !target.empty() && target.front() == '/' ? target.substr(1) : directory(sourcePart) + target;
    std::vector<std::string> out;
    for (const std::string &s : segments(path)) {
        if (s == "..") {
            if (!out.empty())
                out.pop_back();
        } else if (s != "." && !s.empty()) {
            out.push_back(s);
        }
    }
    std::string joined;
    for (size_t i = 0; i < out.size(); ++i)
        joined += (i ? "/" : "") + out[i];
    return joined;
}

std::string relativeTarget(const std::string &sourcePart, const std::string &targetPart)
{
    std::vector<std::string> from = segments(directory(sourcePart));
    if (!from.empty() && from.back().empty())
        from.pop_back();
    const std::vector<std::string> to = segments(targetPart);
    size_t common = 0;
    while (common < from.size() && common + 1 < to.size() && from[common] == to[common])
        ++common;
    std::string out;
    for (size_t i = common; i < from.size(); ++i)
        out += "../";
    for (size_t i = common; i < to.size(); ++i)
        out += (i > common ? "/" : "") + to[i];
    return out;
}

bool typeIs(const char *relationshipType, const char *last)
{
    std::string_view type(relationshipType);
    const size_t slash = type.rfind('/');
    return type.substr(slash == std::string_view::npos ? 0 : slash + 1) == last;
}

std::string add(pugi::xml_node relationships, const std::string &sourcePart, const std::string &type,
                const std::string &targetPart)
{
    const std::string id = nextRelationshipId(relationships);
    pugi::xml_node r = appendChild(relationships, "Relationship");
    r.append_attribute("Id") = id.c_str();
    r.append_attribute("Type") = type.c_str();
    r.append_attribute("Target") = relativeTarget(sourcePart, targetPart).c_str();
    return id;
}

} // namespace XlsxRelationships

using namespace XlsxRelationships;

void XlsxParts::load(pugi::xml_document &doc, const std::string &name) const
{
    XlsxXml::load(doc, m_package.part(name), name);
}

bool XlsxParts::loadContentTypes()
{
    XlsxXml::load(m_contentTypes, m_package.part("[Content_Types].xml"), "[Content_Types].xml");
    return bool(m_contentTypes.document_element());
}

std::string XlsxParts::overrideType(const std::string &part) const
{
    const std::string name = "/" + part;
    for (pugi::xml_node o : m_contentTypes.document_element().children()) {
        if (localName(o) == "Override" && equalsNoCase(o.attribute("PartName").value(), name))
            return o.attribute("ContentType").value();
    }
    return {};
}

void XlsxParts::addOverride(const std::string &part, const std::string &type)
{
    removeOverride(part);
    pugi::xml_node o = appendChild(m_contentTypes.document_element(), "Override");
    o.append_attribute("PartName") = ("/" + part).c_str();
    o.append_attribute("ContentType") = type.c_str();
}

void XlsxParts::removeOverride(const std::string &part)
{
    const std::string name = "/" + part;
    pugi::xml_node root = m_contentTypes.document_element();
    for (pugi::xml_node o = root.first_child(); o;) {
        pugi::xml_node next = o.next_sibling();
        if (localName(o) == "Override" && equalsNoCase(o.attribute("PartName").value(), name))
            root.remove_child(o);
        o = next;
    }
}

std::string XlsxParts::uniquePartName(const std::string &like) const
{
    const std::string dir = directory(like);
    std::string file = like.substr(dir.size());
    const size_t dot = file.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
    std::string stem = file.substr(0, file.size() - ext.size());
    while (!stem.empty() && stem.back() >= '0' && stem.back() <= '9')
        stem.pop_back();
    for (int n = 1;; ++n) {
        const std::string name = dir + stem + std::to_string(n) + ext;
        if (!m_package.contains(name))
            return name;
    }
}

std::string XlsxParts::clonePart(const std::string &part, std::map<std::string, std::string> &cloned)
{
    if (auto it = cloned.find(part); it != cloned.end())
        return it->second;
    const std::string name = uniquePartName(part);
    cloned[part] = name;
    m_package.setPart(name, m_package.part(part));
    const std::string type = overrideType(part);
    if (!type.empty())
        addOverride(name, type);
    cloneRelationships(part, name, cloned);
    return name;
}

bool XlsxParts::cloneRelationships(const std::string &fromPart, const std::string &toPart,
                                   std::map<std::string, std::string> &cloned)
{
    const std::string rels = relsPartOf(fromPart);
    if (!m_package.contains(rels))
        return false;
    pugi::xml_document doc;
    XlsxXml::load(doc, m_package.part(rels), rels);
    bool droppedTables = false;
    pugi::xml_node root = doc.document_element();
    for (pugi::xml_node r = root.first_child(); r;) {
        pugi::xml_node next = r.next_sibling();
        const char *type = r.attribute("Type").value();
        const bool external = std::string_view(r.attribute("TargetMode").value()) == "External";
        if (external || typeIs(type, "image")) {
            // Pictures are shared; the copy sits in the same folder, so the target still resolves.
        } else if (typeIs(type, "table") || typeIs(type, "pivotTable") || typeIs(type, "queryTable")) {
            // Tables carry workbook-wide unique names and cannot simply be duplicated.
            root.remove_child(r);
            droppedTables = true;
        } else {
            const std::string target = resolveTarget(fromPart, r.attribute("Target").value());
            if (m_package.contains(target))
                r.attribute("Target").set_value(relativeTarget(toPart, clonePart(target, cloned)).c_str());
        }
        r = next;
    }
    m_package.setPart(relsPartOf(toPart), save(doc));
    return droppedTables;
}

std::string XlsxParts::write(int compressionLevel)
{
    m_package.setPart("[Content_Types].xml", save(m_contentTypes));
    return m_package.write(compressionLevel);
}

const XlsxPackage &XlsxParts::package()
{
    m_package.setPart("[Content_Types].xml", save(m_contentTypes));
    return m_package;
}
