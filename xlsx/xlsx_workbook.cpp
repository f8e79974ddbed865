#include "xlsx_workbook.h"

#include <algorithm>
#include <cctype>

#include <QFileInfo>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

namespace {

SpreadsheetError damaged(const QString &path, const QString &why)
{
    return SpreadsheetError(QStringLiteral("电子表格文件 %1 无法使用：%2").arg(path, why));
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return QString::fromUtf8(a.data(), qsizetype(a.size()))
               .compare(QString::fromUtf8(b.data(), qsizetype(b.size())), Qt::CaseInsensitive)
           == 0;
}

const char *NewWorkbookXml =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<bookViews><workbookView activeTab=\"0\"/></bookViews>"
    "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

const char *NewStylesXml =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Noto Sans CJK SC\"/><family val=\"2\"/>"
    "<charset val=\"134\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

const char *NewWorksheetXml =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
    "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
    "</worksheet>";

std::string withDeclaration(const char *xml)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n") + xml;
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

} // namespace

// ---------------------------------------------------------------- parts

std::string XlsxBook::relsPartOf(const std::string &part)
{
    const std::string dir = directory(part);
    return dir + "_rels/" + part.substr(dir.size()) + ".rels";
}

std::string XlsxBook::resolveTarget(const std::string &sourcePart, const std::string &target)
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

std::string XlsxBook::relativeTarget(const std::string &sourcePart, const std::string &targetPart)
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

bool XlsxBook::typeIs(const char *relationshipType, const char *last)
{
    std::string_view type(relationshipType);
    const size_t slash = type.rfind('/');
    return type.substr(slash == std::string_view::npos ? 0 : slash + 1) == last;
}

std::string XlsxBook::nextRelationshipId(pugi::xml_node relationships)
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

std::string XlsxBook::overrideType(const std::string &part) const
{
    const std::string name = "/" + part;
    for (pugi::xml_node o : contentTypes.document_element().children()) {
        if (localName(o) == "Override" && equalsNoCase(o.attribute("PartName").value(), name))
            return o.attribute("ContentType").value();
    }
    return {};
}

void XlsxBook::addOverride(const std::string &part, const std::string &type)
{
    removeOverride(part);
    pugi::xml_node o = appendChild(contentTypes.document_element(), "Override");
    o.append_attribute("PartName") = ("/" + part).c_str();
    o.append_attribute("ContentType") = type.c_str();
}

void XlsxBook::removeOverride(const std::string &part)
{
    const std::string name = "/" + part;
    pugi::xml_node root = contentTypes.document_element();
    for (pugi::xml_node o = root.first_child(); o;) {
        pugi::xml_node next = o.next_sibling();
        if (localName(o) == "Override" && equalsNoCase(o.attribute("PartName").value(), name))
            root.remove_child(o);
        o = next;
    }
}

std::string XlsxBook::uniquePartName(const std::string &like) const
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
        if (!package.contains(name))
            return name;
    }
}

std::string XlsxBook::addWorkbookRelationship(const std::string &type, const std::string &targetPart)
{
    pugi::xml_node root = workbookRels.document_element();
    const std::string id = nextRelationshipId(root);
    pugi::xml_node r = appendChild(root, "Relationship");
    r.append_attribute("Id") = id.c_str();
    r.append_attribute("Type") = type.c_str();
    r.append_attribute("Target") = relativeTarget(workbookPart, targetPart).c_str();
    return id;
}

std::string XlsxBook::clonePart(const std::string &part, std::map<std::string, std::string> &cloned)
{
    if (auto it = cloned.find(part); it != cloned.end())
        return it->second;
    const std::string name = uniquePartName(part);
    cloned[part] = name;
    package.setPart(name, package.part(part));
    const std::string type = overrideType(part);
    if (!type.empty())
        addOverride(name, type);
    cloneRelationships(part, name, cloned);
    return name;
}

bool XlsxBook::cloneRelationships(const std::string &fromPart, const std::string &toPart,
                                  std::map<std::string, std::string> &cloned)
{
    const std::string rels = relsPartOf(fromPart);
    if (!package.contains(rels))
        return false;
    pugi::xml_document doc;
    XlsxXml::load(doc, package.part(rels), rels);
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
            if (package.contains(target))
                r.attribute("Target").set_value(relativeTarget(toPart, clonePart(target, cloned)).c_str());
        }
        r = next;
    }
    package.setPart(relsPartOf(toPart), save(doc));
    return droppedTables;
}

// ---------------------------------------------------------------- loading

void XlsxBook::load()
{
    if (!package.contains("[Content_Types].xml"))
        throw damaged(sourcePath, QStringLiteral("不是 xlsx 工作簿（缺少 [Content_Types].xml）"));
    XlsxXml::load(contentTypes, package.part("[Content_Types].xml"), "[Content_Types].xml");
    if (!contentTypes.document_element())
        throw damaged(sourcePath, QStringLiteral("[Content_Types].xml 为空"));

    if (package.contains("_rels/.rels")) {
        pugi::xml_document rootRels;
        XlsxXml::load(rootRels, package.part("_rels/.rels"), "_rels/.rels");
        for (pugi::xml_node r : rootRels.document_element().children()) {
            if (typeIs(r.attribute("Type").value(), "officeDocument"))
                workbookPart = resolveTarget("", r.attribute("Target").value());
        }
    }
    if (workbookPart.empty() && package.contains("xl/workbook.xml"))
        workbookPart = "xl/workbook.xml";
    if (workbookPart.empty() || !package.contains(workbookPart))
        throw damaged(sourcePath, QStringLiteral("不是 xlsx 工作簿（缺少工作簿部分）"));
    XlsxXml::load(workbook, package.part(workbookPart), workbookPart);
    if (localName(workbook.document_element()) != "workbook")
        throw damaged(sourcePath, QStringLiteral("不是 xlsx 工作簿"));

    const std::string relsPart = relsPartOf(workbookPart);
    if (package.contains(relsPart))
        XlsxXml::load(workbookRels, package.part(relsPart), relsPart);
    if (!workbookRels.document_element()) {
        workbookRels.reset();
        workbookRels.append_child("Relationships").append_attribute("xmlns") =
            "http://schemas.openxmlformats.org/package/2006/relationships";
    }

    std::map<std::string, std::pair<std::string, std::string>> targets; // id -> (type, part)
    pugi::xml_node relsRoot = workbookRels.document_element();
    for (pugi::xml_node r = relsRoot.first_child(); r;) {
        pugi::xml_node next = r.next_sibling();
        const char *type = r.attribute("Type").value();
        const std::string part = resolveTarget(workbookPart, r.attribute("Target").value());
        if (typeIs(type, "calcChain")) {
            // The calculation chain lists formula cells by position; edits make it
            // stale, and spreadsheet programs rebuild it when it is missing.
            package.removePart(part);
            removeOverride(part);
            relsRoot.remove_child(r);
        } else {
            targets[r.attribute("Id").value()] = {type, part};
            if (typeIs(type, "sharedStrings"))
                stringsPart = part;
            else if (typeIs(type, "styles"))
                stylesPart = part;
        }
        r = next;
    }

    if (!stringsPart.empty() && package.contains(stringsPart)) {
        pugi::xml_document sst;
        XlsxXml::load(sst, package.part(stringsPart), stringsPart);
        pugi::xml_node root = sst.document_element();
        stringsPrefix = prefixOf(root);
        for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view name = a.name();
            if (name != "count" && name != "uniqueCount")
                appendAttribute(stringsRootAttributes, name, a.value());
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
            stringXml.push_back(innerXml(si));
            stringPlain.push_back(std::move(plain));
            stringIsPlain.push_back(simple && elements == 1);
        }
    } else {
        stringsPart.clear();
    }

    if (!stylesPart.empty() && package.contains(stylesPart))
        XlsxXml::load(styles, package.part(stylesPart), stylesPart);
    else
        stylesPart.clear();

    pugi::xml_node sheetList = sheetsNode();
    for (pugi::xml_node s = sheetList.first_child(); s; s = s.next_sibling()) {
        if (s.type() != pugi::node_element || localName(s) != "sheet")
            continue;
        const QString name = QString::fromUtf8(s.attribute("name").value());
        std::string id;
        for (pugi::xml_attribute a = s.first_attribute(); a; a = a.next_attribute()) {
            if (localName(a.name()) == "id" && std::string_view(a.name()) != "id")
                id = a.value();
        }
        const auto target = targets.find(id);
        if (target == targets.end() || !package.contains(target->second.second))
            throw damaged(sourcePath, QStringLiteral("缺少工作表“%1”的内容").arg(name));
        auto sheet = std::unique_ptr<XlsxSheet>(new XlsxSheet(this, name, target->second.second));
        if (typeIs(target->second.first.c_str(), "worksheet"))
            sheet->loadXml(package.part(sheet->m_part));
        else
            sheet->m_isWorksheet = false;
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty())
        throw damaged(sourcePath, QStringLiteral("工作簿中没有工作表"));
}

std::string XlsxBook::saveStrings(long long references) const
{
    const std::string p = stringsPrefix;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<" + p + "sst";
    out += stringsRootAttributes.empty() ? std::string(" xmlns=\"") + XlsxTypes::MainNs + "\"" : stringsRootAttributes;
    out += " count=\"" + std::to_string(std::max<long long>(references, (long long)stringXml.size())) + "\"";
    out += " uniqueCount=\"" + std::to_string(stringXml.size()) + "\">";
    for (const std::string &xml : stringXml) {
        out += "<" + p + "si>";
        out += xml;
        out += "</" + p + "si>";
    }
    out += "</" + p + "sst>";
    return out;
}

// ---------------------------------------------------------------- sheets and names

int XlsxBook::indexOf(const XlsxSheet *sheet) const
{
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].get() == sheet)
            return int(i);
    }
    return -1;
}

pugi::xml_node XlsxBook::sheetsNode() const
{
    return child(workbook.document_element(), "sheets");
}

pugi::xml_node XlsxBook::sheetEntry(int index0) const
{
    int i = 0;
    for (pugi::xml_node s = sheetsNode().first_child(); s; s = s.next_sibling()) {
        if (s.type() == pugi::node_element && localName(s) == "sheet" && i++ == index0)
            return s;
    }
    return {};
}

int XlsxBook::addString(const std::string &encodedText)
{
    if (!stringIndexBuilt) {
        for (size_t i = 0; i < stringPlain.size(); ++i) {
            if (stringIsPlain[i])
                stringIndex.emplace(stringPlain[i], int(i));
        }
        stringIndexBuilt = true;
    }
    if (auto it = stringIndex.find(encodedText); it != stringIndex.end())
        return it->second;
    const bool keepBlanks = !encodedText.empty()
                            && (std::isspace((unsigned char)encodedText.front())
                                || std::isspace((unsigned char)encodedText.back()));
    std::string xml = "<" + stringsPrefix + "t" + (keepBlanks ? " xml:space=\"preserve\">" : ">");
    appendText(xml, encodedText);
    xml += "</" + stringsPrefix + "t>";
    const int index = int(stringXml.size());
    stringXml.push_back(std::move(xml));
    stringPlain.push_back(encodedText);
    stringIsPlain.push_back(true);
    stringIndex.emplace(encodedText, index);
    return index;
}

QString XlsxBook::stringText(int index) const
{
    if (index < 0 || size_t(index) >= stringPlain.size())
        return {};
    return decodeCellText(stringPlain[size_t(index)]);
}

int XlsxBook::textVariantOf(int style)
{
    if (auto it = textVariants.find(style); it != textVariants.end())
        return it->second;
    if (!styles.document_element()) {
        XlsxXml::load(styles, withDeclaration(NewStylesXml), "styles");
        stylesPart = "xl/styles.xml";
        if (package.contains(stylesPart))
            stylesPart = uniquePartName(stylesPart);
        addOverride(stylesPart, XlsxTypes::Styles);
        addWorkbookRelationship(XlsxTypes::RelStyles, stylesPart);
        stylesChanged = true;
    }
    pugi::xml_node root = styles.document_element();
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
        stylesChanged = true;
    }
    textVariants[style] = result;
    return result;
}

pugi::xml_node XlsxBook::definedNames() const
{
    return child(workbook.document_element(), "definedNames");
}

pugi::xml_node XlsxBook::printAreaName(int index0) const
{
    for (pugi::xml_node n : definedNames().children()) {
        if (localName(n) == "definedName" && equalsNoCase(n.attribute("name").value(), "_xlnm.Print_Area")
            && n.attribute("localSheetId") && n.attribute("localSheetId").as_int() == index0)
            return n;
    }
    return {};
}

QString XlsxBook::copyName(const QString &name) const
{
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        const QString candidate = name.left(31 - suffix.size()) + suffix;
        bool taken = false;
        for (const auto &s : sheets)
            taken = taken || s->name().compare(candidate, Qt::CaseInsensitive) == 0;
        if (!taken)
            return candidate;
    }
}

static QString quotedSheetName(const QString &name)
{
    return QLatin1Char('\'') + QString(name).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// Formula text with references to sheet `from` pointed at sheet `to`.
static QString renameSheetReferences(const QString &formula, const QString &from, const QString &to)
{
    QString out = formula;
    out.replace(quotedSheetName(from) + QLatin1Char('!'), quotedSheetName(to) + QLatin1Char('!'));
    const QString bare = from + QLatin1Char('!');
    for (qsizetype at = out.indexOf(bare); at >= 0; at = out.indexOf(bare, at)) {
        const QChar before = at > 0 ? out[at - 1] : QChar(u' ');
        if (before.isLetterOrNumber() || before == u'_' || before == u'.' || before == u'\'') {
            at += bare.size();
            continue;
        }
        const QString replacement = quotedSheetName(to) + QLatin1Char('!');
        out.replace(at, bare.size(), replacement);
        at += replacement.size();
    }
    return out;
}

void XlsxBook::registerSheetInFront(std::unique_ptr<XlsxSheet> sheet, const XlsxSheet *copiedFrom)
{
    XlsxSheet *added = sheet.get();
    addOverride(added->m_part, XlsxTypes::Worksheet);
    const std::string relId = addWorkbookRelationship(XlsxTypes::RelWorksheet, added->m_part);

    pugi::xml_node root = workbook.document_element();
    pugi::xml_node list = sheetsNode();
    if (!list)
        list = ensureChild(root, "sheets", {"fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets"});
    int highestId = 0;
    std::string relPrefix = "r";
    for (pugi::xml_node s : list.children()) {
        highestId = std::max(highestId, s.attribute("sheetId").as_int());
        for (pugi::xml_attribute a = s.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view n = a.name();
            if (n.size() > 3 && n.substr(n.size() - 3) == ":id")
                relPrefix = std::string(n.substr(0, n.size() - 3));
        }
    }
    if (relPrefix == "r" && !root.attribute("xmlns:r"))
        root.append_attribute("xmlns:r") = XlsxTypes::RelNs;
    pugi::xml_node entry = list.prepend_child((prefixOf(list) + "sheet").c_str());
    entry.append_attribute("name") = added->m_name.toStdString().c_str();
    entry.append_attribute("sheetId") = highestId + 1;
    entry.append_attribute((relPrefix + ":id").c_str()) = relId.c_str();

    // Sheet-local names follow their sheet's position; a copy gets the source's own names.
    const int sourceIndex = copiedFrom ? indexOf(copiedFrom) : -1;
    std::vector<pugi::xml_node> sourceNames;
    for (pugi::xml_node n : definedNames().children()) {
        pugi::xml_attribute local = n.attribute("localSheetId");
        if (!local)
            continue;
        if (local.as_int() == sourceIndex)
            sourceNames.push_back(n);
        local = local.as_int() + 1;
    }
    for (pugi::xml_node n : sourceNames) {
        pugi::xml_node copy = definedNames().insert_copy_after(n, n);
        copy.attribute("localSheetId") = 0;
        const QString text = renameSheetReferences(QString::fromUtf8(n.child_value()), copiedFrom->m_name, added->m_name);
        copy.text().set(text.toStdString().c_str());
    }
    if (pugi::xml_node view = child(child(root, "bookViews"), "workbookView")) {
        if (pugi::xml_attribute tab = view.attribute("activeTab"))
            tab = tab.as_int() + 1;
    }
    sheets.insert(sheets.begin(), std::move(sheet));
}

// ---------------------------------------------------------------- XlsxWorkbook

XlsxWorkbook::XlsxWorkbook(std::unique_ptr<XlsxBook> book) : d(std::move(book)) {}
XlsxWorkbook::XlsxWorkbook(XlsxWorkbook &&) noexcept = default;
XlsxWorkbook &XlsxWorkbook::operator=(XlsxWorkbook &&) noexcept = default;
XlsxWorkbook::~XlsxWorkbook() = default;

XlsxWorkbook XlsxWorkbook::open(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw SpreadsheetError(QStringLiteral("文件不存在：") + path);
    auto book = std::make_unique<XlsxBook>();
    book->sourcePath = QFileInfo(path).absoluteFilePath();
    book->package = XlsxPackage::read(path);
    book->load();
    return XlsxWorkbook(std::move(book));
}

XlsxWorkbook XlsxWorkbook::create()
{
    auto book = std::make_unique<XlsxBook>();
    XlsxPackage &p = book->package;
    p.setPart("[Content_Types].xml",
              withDeclaration(
                  "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                  "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                  "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                  "<Override PartName=\"/xl/workbook.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                  "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                  "<Override PartName=\"/xl/styles.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
                  "<Override PartName=\"/xl/sharedStrings.xml\" "
                  "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                  "</Types>"));
    p.setPart("_rels/.rels",
              withDeclaration(
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                  "Target=\"xl/workbook.xml\"/></Relationships>"));
    p.setPart("xl/workbook.xml", withDeclaration(NewWorkbookXml));
    p.setPart("xl/_rels/workbook.xml.rels",
              withDeclaration(
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                  "Target=\"worksheets/sheet1.xml\"/>"
                  "<Relationship Id=\"rId2\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
                  "Target=\"styles.xml\"/>"
                  "<Relationship Id=\"rId3\" "
                  "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                  "Target=\"sharedStrings.xml\"/></Relationships>"));
    p.setPart("xl/styles.xml", withDeclaration(NewStylesXml));
    p.setPart("xl/sharedStrings.xml",
              withDeclaration("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                              "count=\"0\" uniqueCount=\"0\"/>"));
    p.setPart("xl/worksheets/sheet1.xml", withDeclaration(NewWorksheetXml));
    book->load();
    return XlsxWorkbook(std::move(book));
}

int XlsxWorkbook::sheetCount() const
{
    return int(d->sheets.size());
}

QStringList XlsxWorkbook::sheetNames() const
{
    QStringList names;
    for (const auto &s : d->sheets)
        names << s->name();
    return names;
}

XlsxSheet &XlsxWorkbook::sheet(int index)
{
    if (index < 1 || index > sheetCount())
        throw SpreadsheetError(QStringLiteral("工作表 %1 不存在").arg(index));
    return *d->sheets[size_t(index - 1)];
}

XlsxSheet *XlsxWorkbook::findSheet(const QString &name)
{
    for (const auto &s : d->sheets) {
        if (s->name().compare(name, Qt::CaseInsensitive) == 0)
            return s.get();
    }
    return nullptr;
}

XlsxSheet &XlsxWorkbook::sheet(const QString &name)
{
    if (XlsxSheet *s = findSheet(name))
        return *s;
    throw SpreadsheetError(QStringLiteral("工作表“%1”不存在").arg(name));
}

QString XlsxWorkbook::sheetNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("工作表名称不能为空");
    if (name.size() > 31)
        return QStringLiteral("工作表名称“%1”超过 31 个字符").arg(name);
    for (QChar c : name) {
        if (QStringLiteral(":\\/?*[]").contains(c))
            return QStringLiteral("工作表名称“%1”含有不允许的字符 %2").arg(name, c);
    }
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return QStringLiteral("工作表名称“%1”不能以单引号开头或结尾").arg(name);
    return {};
}

XlsxSheet &XlsxWorkbook::addSheetInFront(const QString &name)
{
    const QString problem = sheetNameProblem(name);
    if (!problem.isEmpty())
        throw SpreadsheetError(problem);
    if (findSheet(name))
        throw SpreadsheetError(QStringLiteral("工作表名称“%1”已被使用").arg(name));
    auto sheet = std::unique_ptr<XlsxSheet>(new XlsxSheet(d.get(), name, d->uniquePartName("xl/worksheets/sheet1.xml")));
    sheet->loadXml(withDeclaration(NewWorksheetXml));
    d->package.setPart(sheet->m_part, std::string()); // reserve the part name
    XlsxSheet &added = *sheet;
    d->registerSheetInFront(std::move(sheet), nullptr);
    return added;
}

XlsxSheet &XlsxWorkbook::copySheetToFront(const XlsxSheet &source)
{
    if (source.m_book != d.get())
        throw SpreadsheetError(QStringLiteral("只能复制本工作簿中的工作表"));
    source.requireWorksheet();
    auto sheet = std::unique_ptr<XlsxSheet>(
        new XlsxSheet(d.get(), d->copyName(source.name()), d->uniquePartName(source.m_part)));
    sheet->copyContentFrom(source);
    d->package.setPart(sheet->m_part, std::string());
    std::map<std::string, std::string> cloned;
    if (d->cloneRelationships(source.m_part, sheet->m_part, cloned)) {
        pugi::xml_node root = sheet->m_doc.document_element();
        while (pugi::xml_node tables = child(root, "tableParts"))
            root.remove_child(tables);
    }
    XlsxSheet &added = *sheet;
    d->registerSheetInFront(std::move(sheet), &source);
    return added;
}

void XlsxWorkbook::activate(const XlsxSheet &sheet)
{
    const int index = d->indexOf(&sheet);
    if (index < 0)
        throw SpreadsheetError(QStringLiteral("工作表不属于本工作簿"));
    pugi::xml_node root = d->workbook.document_element();
    pugi::xml_node views = ensureChild(root, "bookViews", {"fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets"});
    pugi::xml_node view = child(views, "workbookView");
    if (!view)
        view = appendChild(views, "workbookView");
    view.remove_attribute("firstSheet");
    if (!view.attribute("activeTab"))
        view.append_attribute("activeTab");
    view.attribute("activeTab") = index;
    for (const auto &s : d->sheets) {
        if (!s->m_isWorksheet)
            continue;
        pugi::xml_node sheetView = child(child(s->m_doc.document_element(), "sheetViews"), "sheetView");
        if (!sheetView)
            continue;
        sheetView.remove_attribute("tabSelected");
        if (s.get() == &sheet)
            sheetView.append_attribute("tabSelected") = "1";
    }
}

void XlsxWorkbook::hideAllBut(const XlsxSheet &sheet)
{
    const int index = d->indexOf(&sheet);
    if (index < 0)
        throw SpreadsheetError(QStringLiteral("工作表不属于本工作簿"));
    for (int i = 0; i < sheetCount(); ++i) {
        pugi::xml_node entry = d->sheetEntry(i);
        if (i == index) {
            entry.remove_attribute("state");
        } else if (std::string_view(entry.attribute("state").value()) != "veryHidden") {
            if (!entry.attribute("state"))
                entry.append_attribute("state");
            entry.attribute("state") = "hidden";
        }
    }
    activate(sheet);
}

bool XlsxWorkbook::isHidden(const XlsxSheet &sheet) const
{
    const std::string_view state = d->sheetEntry(d->indexOf(&sheet)).attribute("state").value();
    return state == "hidden" || state == "veryHidden";
}

const XlsxSheet &XlsxWorkbook::activeSheet() const
{
    pugi::xml_node view = child(child(d->workbook.document_element(), "bookViews"), "workbookView");
    const int index = view.attribute("activeTab").as_int(0);
    return *d->sheets[size_t(std::clamp(index, 0, sheetCount() - 1))];
}

void XlsxWorkbook::saveAs(const QString &path, int compressionLevel, AtomicFile::Existing existing)
{
    const QFileInfo target(path);
    if (!d->sourcePath.isEmpty()
        && (target.absoluteFilePath() == d->sourcePath
            || (target.exists() && target.canonicalFilePath() == QFileInfo(d->sourcePath).canonicalFilePath())))
        throw FileError(QStringLiteral("模板文件不会被覆盖：") + path);

    long long references = 0;
    for (const auto &s : d->sheets) {
        if (s->m_isWorksheet)
            d->package.setPart(s->m_part, s->saveXml());
        for (const auto &row : s->m_rows) {
            for (const auto &cell : row.second.cells)
                references += cell.type == XlsxSheet::CellType::Shared ? 1 : 0;
        }
    }
    if (d->stringsPart.empty() && !d->stringXml.empty()) {
        d->stringsPart = d->uniquePartName("xl/sharedStrings.xml");
        d->addOverride(d->stringsPart, XlsxTypes::SharedStrings);
        d->addWorkbookRelationship(XlsxTypes::RelSharedStrings, d->stringsPart);
    }
    if (!d->stringsPart.empty())
        d->package.setPart(d->stringsPart, d->saveStrings(references));
    if (d->stylesChanged)
        d->package.setPart(d->stylesPart, save(d->styles));
    d->package.setPart(d->workbookPart, save(d->workbook));
    d->package.setPart(XlsxBook::relsPartOf(d->workbookPart), save(d->workbookRels));
    d->package.setPart("[Content_Types].xml", save(d->contentTypes));

    const std::string bytes = d->package.write(compressionLevel);
    AtomicFile::write(path, QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), existing);
}
