#include "sheet_rows.h"

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "platform/app_error.h"
#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_package.h"
#include "xlsx/xlsx_parts.h"
#include "xlsx/xlsx_shared_strings.h"
#include "xlsx/xlsx_xml.h"

// Reads the cells of one worksheet of an .xlsx package, values only: what the
// import needs is each cell's text and whether it was stored as a number or a date.

namespace SheetRowsReader {

namespace {

using XlsxXml::attribute;
using XlsxXml::child;
using XlsxXml::localName;

struct Relationship
{
    std::string type;
    std::string part;
};

std::vector<std::pair<std::string, Relationship>> relationshipsOf(const XlsxPackage &package, const std::string &part)
{
    std::vector<std::pair<std::string, Relationship>> out;
    const std::string relsPart = XlsxRelationships::relsPartOf(part);
    if (!package.contains(relsPart))
        return out;
    pugi::xml_document doc;
    XlsxXml::load(doc, package.part(relsPart), relsPart);
    for (pugi::xml_node rel : doc.document_element().children()) {
        if (localName(rel) != "Relationship")
            continue;
        out.push_back({rel.attribute("Id").value(),
                       {rel.attribute("Type").value(),
                        XlsxRelationships::resolveTarget(part, rel.attribute("Target").value())}});
    }
    return out;
}

std::string relatedPart(const XlsxPackage &package, const std::string &part, const char *typeLast)
{
    for (const auto &[id, rel] : relationshipsOf(package, part)) {
        if (XlsxRelationships::typeIs(rel.type.c_str(), typeLast))
            return rel.part;
    }
    return {};
}

// Built-in number formats that show a date.
bool isBuiltInDateFormat(int id)
{
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

// A custom format shows a date when it has a date letter outside quotes and brackets.
bool isDateFormatCode(const std::string &code)
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

// For each cell format (the s attribute of a cell): whether it shows a date.
std::vector<bool> dateStyles(const XlsxPackage &package, const std::string &stylesPart)
{
    std::vector<bool> out;
    if (stylesPart.empty() || !package.contains(stylesPart))
        return out;
    pugi::xml_document doc;
    XlsxXml::load(doc, package.part(stylesPart), stylesPart);
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

QString numberText(const char *raw)
{
    const QString text = QString::fromUtf8(raw).trimmed();
    bool ok = false;
    const double value = text.toDouble(&ok);
    // Integers as a person writes them; 4.40606199003152E+17 stays as stored.
    if (ok && std::fabs(value) < 1e15 && value == std::floor(value))
        return QString::number(qint64(value));
    return text;
}

QString inlineText(pugi::xml_node is)
{
    std::string text;
    for (pugi::xml_node node : is.children()) {
        if (localName(node) == "t")
            text += node.text().get();
        else if (localName(node) == "r")
            text += child(node, "t").text().get();
    }
    return XlsxXml::decodeCellText(text);
}

SheetCell cellOf(pugi::xml_node c, const XlsxSharedStrings &strings, const std::vector<bool> &dates)
{
    SheetCell cell;
    const std::string type = attribute(c, "t").value();
    const pugi::xml_node v = child(c, "v");
    if (type == "s") {
        cell.text = strings.text(v.text().as_int());
    } else if (type == "inlineStr") {
        cell.text = inlineText(child(c, "is"));
    } else if (type == "str" || type == "e") {
        cell.text = XlsxXml::decodeCellText(v.text().get());
    } else if (type == "b") {
        cell.text = v.text().as_int() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    } else if (type == "d") {
        cell.kind = SheetCell::Kind::Date;
        cell.date = QDate::fromString(QString::fromUtf8(v.text().get()).left(10), Qt::ISODate);
        cell.text = cell.date.toString(QStringLiteral("yyyy-MM-dd"));
    } else if (v) {
        const int style = attribute(c, "s").as_int();
        if (style >= 0 && size_t(style) < dates.size() && dates[size_t(style)]) {
            cell.kind = SheetCell::Kind::Date;
            cell.date = dateOfSerial(v.text().as_double());
            cell.text = cell.date.toString(QStringLiteral("yyyy-MM-dd"));
        } else {
            cell.kind = SheetCell::Kind::Number;
            cell.text = numberText(v.text().get());
        }
    }
    return cell;
}

} // namespace

QDate dateOfSerial(double serial)
{
    return QDate(1899, 12, 30).addDays(qint64(std::floor(serial)));
}

SheetRows readXlsx(const QString &path, const QString &sheet)
{
    const XlsxPackage package = XlsxPackage::read(path);
    std::string workbookPart = relatedPart(package, "", "officeDocument");
    if (workbookPart.empty())
        workbookPart = "xl/workbook.xml";
    if (!package.contains(workbookPart))
        throw SpreadsheetError(QStringLiteral("“%1”不是 Excel 工作簿，无法导入。请用 Excel 或 WPS 另存为 .xlsx 后再导入。").arg(path));
    pugi::xml_document workbook;
    XlsxXml::load(workbook, package.part(workbookPart), workbookPart);
    const auto rels = relationshipsOf(package, workbookPart);

    SheetRows out;
    std::string sheetPart;
    QStringList names;
    for (pugi::xml_node s : child(workbook.document_element(), "sheets").children()) {
        const QString name = QString::fromUtf8(attribute(s, "name").value());
        names << name;
        if (!sheetPart.empty() || (!sheet.isEmpty() && name.compare(sheet, Qt::CaseInsensitive) != 0))
            continue;
        std::string id;
        for (pugi::xml_attribute a = s.first_attribute(); a; a = a.next_attribute()) {
            if (localName(a.name()) == "id")
                id = a.value();
        }
        for (const auto &[relId, rel] : rels) {
            if (relId == id && XlsxRelationships::typeIs(rel.type.c_str(), "worksheet"))
                sheetPart = rel.part;
        }
        if (!sheetPart.empty())
            out.sheetName = name;
    }
    if (sheetPart.empty() || !package.contains(sheetPart))
        throw SpreadsheetError(QStringLiteral("文件中没有名为“%1”的工作表，请从这些工作表中选一个：%2")
                                   .arg(sheet, names.join(QStringLiteral("、"))));

    XlsxSharedStrings strings;
    const std::string stringsPart = relatedPart(package, workbookPart, "sharedStrings");
    if (!stringsPart.empty() && package.contains(stringsPart))
        strings.load(package.part(stringsPart), stringsPart);
    const std::vector<bool> dates = dateStyles(package, relatedPart(package, workbookPart, "styles"));

    pugi::xml_document doc;
    XlsxXml::load(doc, package.part(sheetPart), sheetPart);
    int rowNumber = 0;
    for (pugi::xml_node row : child(doc.document_element(), "sheetData").children()) {
        if (localName(row) != "row")
            continue;
        rowNumber = attribute(row, "r") ? attribute(row, "r").as_int() : rowNumber + 1;
        SheetRows::Row r;
        r.number = rowNumber;
        int column = 0;
        bool any = false;
        for (pugi::xml_node c : row.children()) {
            if (localName(c) != "c")
                continue;
            int at = column + 1;
            int ignoredRow = 0;
            if (const pugi::xml_attribute ref = attribute(c, "r"))
                XlsxAddress::parseCell(QString::fromUtf8(ref.value()), ignoredRow, at);
            column = at;
            SheetCell cell = cellOf(c, strings, dates);
            if (cell.isEmpty())
                continue;
            while (r.cells.size() < at)
                r.cells.append(SheetCell{});
            r.cells[at - 1] = cell;
            any = true;
        }
        if (!any)
            continue;
        if (out.headings.isEmpty() && out.rows.isEmpty()) {
            for (const SheetCell &cell : r.cells)
                out.headings << cell.text.trimmed();
        } else {
            out.rows.append(r);
        }
    }
    return out;
}

} // namespace SheetRowsReader
