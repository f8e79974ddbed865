#include "xlsx_book.h"

#include <QFileInfo>

#include "platform/app_error.h"
#include "xlsx/xlsx_package_walk.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;
using namespace XlsxRelationships;

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

} // namespace

XlsxBook::XlsxBook(XlsxPackage package, const QString &sourcePath)
    : m_sourcePath(sourcePath), m_parts(std::move(package))
{
    load();
}

XlsxBook::~XlsxBook() = default;

void XlsxBook::load()
{
    if (!m_parts.contains("[Content_Types].xml"))
        throw damaged(m_sourcePath, QStringLiteral("不是 xlsx 工作簿（缺少 [Content_Types].xml）"));
    if (!m_parts.loadContentTypes())
        throw damaged(m_sourcePath, QStringLiteral("[Content_Types].xml 为空"));

    m_workbookPart = XlsxPackageWalk::workbookPart(m_parts);
    if (m_workbookPart.empty())
        throw damaged(m_sourcePath, QStringLiteral("不是 xlsx 工作簿（缺少工作簿部分）"));
    m_parts.load(m_workbook, m_workbookPart);
    if (localName(m_workbook.document_element()) != "workbook")
        throw damaged(m_sourcePath, QStringLiteral("不是 xlsx 工作簿"));

    const std::string relsPart = relsPartOf(m_workbookPart);
    if (m_parts.contains(relsPart))
        m_parts.load(m_workbookRels, relsPart);
    if (!m_workbookRels.document_element()) {
        m_workbookRels.reset();
        m_workbookRels.append_child("Relationships").append_attribute("xmlns") =
            "http://schemas.openxmlformats.org/package/2006/relationships";
    }

    // The calculation chain lists formula cells by position; edits make it
    // stale, and spreadsheet programs rebuild it when it is missing.
    pugi::xml_node relsRoot = m_workbookRels.document_element();
    for (pugi::xml_node r = relsRoot.first_child(); r;) {
        pugi::xml_node next = r.next_sibling();
        if (typeIs(r.attribute("Type").value(), "calcChain")) {
            const std::string part = resolveTarget(m_workbookPart, r.attribute("Target").value());
            m_parts.removePart(part);
            m_parts.removeOverride(part);
            relsRoot.remove_child(r);
        }
        r = next;
    }
    const std::vector<XlsxRelationship> rels = XlsxPackageWalk::relationships(relsRoot, m_workbookPart);

    m_stringsPart = XlsxPackageWalk::relatedPart(rels, "sharedStrings");
    if (!m_stringsPart.empty() && m_parts.contains(m_stringsPart))
        m_strings.load(m_parts.part(m_stringsPart), m_stringsPart);
    else
        m_stringsPart.clear();

    m_stylesPart = XlsxPackageWalk::relatedPart(rels, "styles");
    if (!m_stylesPart.empty() && m_parts.contains(m_stylesPart))
        m_styles.load(m_parts.part(m_stylesPart), m_stylesPart);
    else
        m_stylesPart.clear();

    for (const XlsxSheetEntry &entry : XlsxPackageWalk::sheets(m_workbook.document_element(), rels)) {
        if (entry.part.empty() || !m_parts.contains(entry.part))
            throw damaged(m_sourcePath, QStringLiteral("缺少工作表“%1”的内容").arg(entry.name));
        auto sheet = std::make_unique<XlsxSheet>(*this, entry.name, entry.part, entry.isWorksheet());
        if (entry.isWorksheet())
            sheet->loadXml(m_parts.part(entry.part));
        m_sheets.push_back(std::move(sheet));
    }
    if (m_sheets.empty())
        throw damaged(m_sourcePath, QStringLiteral("工作簿中没有工作表"));
}

int XlsxBook::indexOf(const XlsxSheet *sheet) const
{
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        if (m_sheets[i].get() == sheet)
            return int(i);
    }
    return -1;
}

XlsxSheet *XlsxBook::findSheet(const QString &name) const
{
    for (const auto &s : m_sheets) {
        if (s->name().compare(name, Qt::CaseInsensitive) == 0)
            return s.get();
    }
    return nullptr;
}

pugi::xml_node XlsxBook::sheetsNode() const
{
    return child(m_workbook.document_element(), "sheets");
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

std::string XlsxBook::addWorkbookRelationship(const std::string &type, const std::string &targetPart)
{
    return XlsxRelationships::add(m_workbookRels.document_element(), m_workbookPart, type, targetPart);
}

int XlsxBook::textVariantOf(int style)
{
    if (!m_styles.isLoaded()) {
        m_styles.loadNew();
        m_stylesPart = "xl/styles.xml";
        if (m_parts.contains(m_stylesPart))
            m_stylesPart = m_parts.uniquePartName(m_stylesPart);
        m_parts.addOverride(m_stylesPart, XlsxTypes::Styles);
        addWorkbookRelationship(XlsxTypes::RelStyles, m_stylesPart);
    }
    return m_styles.textVariantOf(style);
}

int XlsxBook::wrappedVariantOf(int style)
{
    textVariantOf(style); // starts the styles part when there is none
    return m_styles.wrappedVariantOf(style);
}

pugi::xml_node XlsxBook::definedNames() const
{
    return child(m_workbook.document_element(), "definedNames");
}

pugi::xml_node XlsxBook::sheetLocalName(const char *name, int index0) const
{
    for (pugi::xml_node n : definedNames().children()) {
        if (localName(n) == "definedName" && equalsNoCase(n.attribute("name").value(), name)
            && n.attribute("localSheetId") && n.attribute("localSheetId").as_int() == index0)
            return n;
    }
    return {};
}

pugi::xml_node XlsxBook::printAreaName(int index0) const
{
    return sheetLocalName("_xlnm.Print_Area", index0);
}

QString XlsxBook::printArea(int index0) const
{
    return QString::fromUtf8(printAreaName(index0).child_value());
}

void XlsxBook::clearPrintArea(int index0)
{
    pugi::xml_node names = definedNames();
    while (pugi::xml_node n = printAreaName(index0))
        names.remove_child(n);
    if (names && !child(names, "definedName"))
        names.parent().remove_child(names);
}

void XlsxBook::refuseSource(const QString &path) const
{
    const QFileInfo target(path);
    if (!m_sourcePath.isEmpty()
        && (target.absoluteFilePath() == m_sourcePath
            || (target.exists() && target.canonicalFilePath() == QFileInfo(m_sourcePath).canonicalFilePath())))
        throw FileError(QStringLiteral("模板文件不会被覆盖：") + path);
}

void XlsxBook::ensureStringsPart()
{
    if (!m_stringsPart.empty())
        return;
    m_stringsPart = m_parts.uniquePartName("xl/sharedStrings.xml");
    m_parts.addOverride(m_stringsPart, XlsxTypes::SharedStrings);
    addWorkbookRelationship(XlsxTypes::RelSharedStrings, m_stringsPart);
}

void XlsxBook::saveAs(const QString &path, int compressionLevel, AtomicFile::Existing existing)
{
    refuseSource(path);

    long long references = 0;
    for (const auto &s : m_sheets) {
        if (s->isWorksheet())
            m_parts.setPart(s->part(), s->saveXml());
        references += s->sharedStringReferences();
    }
    if (!m_strings.isEmpty())
        ensureStringsPart();
    if (!m_stringsPart.empty())
        m_parts.setPart(m_stringsPart, m_strings.xml(references));
    if (m_styles.changed())
        m_parts.setPart(m_stylesPart, m_styles.xml());
    m_parts.setPart(m_workbookPart, save(m_workbook));
    m_parts.setPart(relsPartOf(m_workbookPart), save(m_workbookRels));

    const std::string bytes = m_parts.write(compressionLevel);
    AtomicFile::write(path, QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), existing);
}
