// The workbook's sheet list: sheets added or copied in front, the sheet shown
// when the file opens, hidden sheets.
#include "xlsx_book.h"

#include <algorithm>

#include "platform/app_error.h"
#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_sheet.h"
#include "xlsx/xlsx_workbook.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

namespace {

const std::initializer_list<const char *> WorkbookOrder = {
    "fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets", "functionGroups",
    "externalReferences", "definedNames", "calcPr", "oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr",
    "smartTagTypes", "webPublishing", "fileRecoveryPr", "webPublishObjects", "extLst"};

QString quotedSheetName(const QString &name)
{
    return QLatin1Char('\'') + QString(name).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// Formula text with references to sheet `from` pointed at sheet `to`.
QString renameSheetReferences(const QString &formula, const QString &from, const QString &to)
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

} // namespace

int XlsxBook::indexOfChecked(const XlsxSheet &sheet) const
{
    const int index = indexOf(&sheet);
    if (index < 0)
        throw SpreadsheetError(QStringLiteral("工作表不属于本工作簿"));
    return index;
}

QString XlsxBook::copyName(const QString &name) const
{
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        const QString candidate = name.left(31 - suffix.size()) + suffix;
        if (!findSheet(candidate))
            return candidate;
    }
}

XlsxSheet &XlsxBook::addSheetInFront(const QString &name)
{
    auto sheet = std::make_unique<XlsxSheet>(*this, name, m_parts.uniquePartName("xl/worksheets/sheet1.xml"), true);
    sheet->loadXml(withDeclaration(XlsxSheet::newPartXml()));
    m_parts.setPart(sheet->part(), std::string()); // reserve the part name
    XlsxSheet &added = *sheet;
    registerSheetInFront(std::move(sheet), nullptr);
    return added;
}

XlsxSheet &XlsxBook::copySheetToFront(const XlsxSheet &source)
{
    if (indexOf(&source) < 0)
        throw SpreadsheetError(QStringLiteral("只能复制本工作簿中的工作表"));
    auto sheet = std::make_unique<XlsxSheet>(*this, copyName(source.name()), m_parts.uniquePartName(source.part()), true);
    sheet->copyContentFrom(source);
    m_parts.setPart(sheet->part(), std::string());
    std::map<std::string, std::string> cloned;
    if (m_parts.cloneRelationships(source.part(), sheet->part(), cloned))
        sheet->dropTableParts();
    XlsxSheet &added = *sheet;
    registerSheetInFront(std::move(sheet), &source);
    return added;
}

void XlsxBook::registerSheetInFront(std::unique_ptr<XlsxSheet> sheet, const XlsxSheet *copiedFrom)
{
    XlsxSheet *added = sheet.get();
    m_parts.addOverride(added->part(), XlsxTypes::Worksheet);
    const std::string relId = addWorkbookRelationship(XlsxTypes::RelWorksheet, added->part());

    pugi::xml_node root = m_workbook.document_element();
    pugi::xml_node list = sheetsNode();
    if (!list)
        list = ensureChild(root, "sheets", WorkbookOrder);
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
    entry.append_attribute("name") = added->name().toStdString().c_str();
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
        const QString text = renameSheetReferences(QString::fromUtf8(n.child_value()), copiedFrom->name(), added->name());
        copy.text().set(text.toStdString().c_str());
    }
    if (pugi::xml_node view = child(child(root, "bookViews"), "workbookView")) {
        if (pugi::xml_attribute tab = view.attribute("activeTab"))
            tab = tab.as_int() + 1;
    }
    m_sheets.insert(m_sheets.begin(), std::move(sheet));
}

void XlsxBook::activate(const XlsxSheet &sheet)
{
    const int index = indexOfChecked(sheet);
    pugi::xml_node views = ensureChild(m_workbook.document_element(), "bookViews", WorkbookOrder);
    pugi::xml_node view = child(views, "workbookView");
    if (!view)
        view = appendChild(views, "workbookView");
    view.remove_attribute("firstSheet");
    if (!view.attribute("activeTab"))
        view.append_attribute("activeTab");
    view.attribute("activeTab") = index;
    for (const auto &s : m_sheets)
        s->setTabSelected(s.get() == &sheet);
}

void XlsxBook::hideAllBut(const XlsxSheet &sheet)
{
    const int index = indexOfChecked(sheet);
    for (int i = 0; i < sheetCount(); ++i) {
        pugi::xml_node entry = sheetEntry(i);
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

bool XlsxBook::isHidden(const XlsxSheet &sheet) const
{
    const std::string_view state = sheetEntry(indexOf(&sheet)).attribute("state").value();
    return state == "hidden" || state == "veryHidden";
}

int XlsxBook::activeIndex() const
{
    pugi::xml_node view = child(child(m_workbook.document_element(), "bookViews"), "workbookView");
    return std::clamp(view.attribute("activeTab").as_int(0), 0, sheetCount() - 1);
}

QString XlsxBook::printTitles(int index0) const
{
    return QString::fromUtf8(sheetLocalName("_xlnm.Print_Titles", index0).child_value());
}

void XlsxBook::setPrintTitleRows(int index0, int first, int last, int titleColumns)
{
    if (first < 1 || last < first || last > XlsxAddress::MaxRows)
        throw SpreadsheetError(QStringLiteral("打印标题行无效：%1 到 %2").arg(first).arg(last));
    pugi::xml_node names = ensureChild(m_workbook.document_element(), "definedNames", WorkbookOrder);
    pugi::xml_node name = sheetLocalName("_xlnm.Print_Titles", index0);
    if (!name) {
        name = appendChild(names, "definedName");
        name.append_attribute("name") = "_xlnm.Print_Titles";
        name.append_attribute("localSheetId") = index0;
    }
    const QString sheet = quotedSheetName(sheetAt(index0).name());
    QString text = QStringLiteral("%1!$%2:$%3").arg(sheet).arg(first).arg(last);
    // Columns first, as spreadsheet programs write both: "'S'!$A:$B,'S'!$1:$1".
    if (titleColumns > 0)
        text = QStringLiteral("%1!$A:$%2,").arg(sheet, ColumnLetters(titleColumns)) + text;
    name.text().set(text.toStdString().c_str());
}

void XlsxBook::renameSheet(int index0, const QString &name)
{
    XlsxSheet &sheet = sheetAt(index0);
    const QString problem = XlsxWorkbook::sheetNameProblem(name);
    if (!problem.isEmpty())
        throw SpreadsheetError(problem);
    if (XlsxSheet *other = findSheet(name); other && other != &sheet)
        throw SpreadsheetError(QStringLiteral("工作表名称“%1”已被使用").arg(name));
    const QString old = sheet.name();
    sheetEntry(index0).attribute("name") = name.toStdString().c_str();
    for (pugi::xml_node n : definedNames().children()) {
        const QString text = renameSheetReferences(QString::fromUtf8(n.child_value()), old, name);
        n.text().set(text.toStdString().c_str());
    }
    sheet.m_name = name;
}
