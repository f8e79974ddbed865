// The sheet's model: its cells and rows, and what the workbook that owns it asks of it.
#include "xlsx_sheet.h"

#include <algorithm>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

XlsxSheet::XlsxSheet(XlsxBook &book, const QString &name, std::string part, bool isWorksheet)
    : m_book(&book), m_name(name), m_part(std::move(part)), m_isWorksheet(isWorksheet)
{
}

XlsxSheet::~XlsxSheet() = default;

int XlsxSheet::index() const
{
    return m_book->indexOf(this) + 1;
}

void XlsxSheet::requireWorksheet() const
{
    if (!m_isWorksheet)
        throw SpreadsheetError(QStringLiteral("“%1”不是工作表").arg(m_name));
}

void XlsxSheet::copyContentFrom(const XlsxSheet &other)
{
    m_doc.reset(other.m_doc);
    m_rows = other.m_rows;
    m_columns = other.m_columns;
    m_merges = other.m_merges;
    m_mergeBottom = other.m_mergeBottom;
    pugi::xml_node views = child(m_doc.document_element(), "sheetViews");
    for (pugi::xml_node v = views.first_child(); v; v = v.next_sibling())
        v.remove_attribute("tabSelected");
}

void XlsxSheet::dropTableParts()
{
    pugi::xml_node root = m_doc.document_element();
    while (pugi::xml_node tables = child(root, "tableParts"))
        root.remove_child(tables);
}

void XlsxSheet::setTabSelected(bool selected)
{
    if (!m_isWorksheet)
        return;
    pugi::xml_node sheetView = child(child(m_doc.document_element(), "sheetViews"), "sheetView");
    if (!sheetView)
        return;
    sheetView.remove_attribute("tabSelected");
    if (selected)
        sheetView.append_attribute("tabSelected") = "1";
}

long long XlsxSheet::sharedStringReferences() const
{
    long long references = 0;
    for (const auto &row : m_rows) {
        for (const auto &cell : row.second.cells)
            references += cell.type == CellType::Shared ? 1 : 0;
    }
    return references;
}

const XlsxSheet::Cell *XlsxSheet::findCell(int row, int column) const
{
    const auto r = m_rows.find(row);
    if (r == m_rows.end())
        return nullptr;
    const auto &cells = r->second.cells;
    const auto at = std::lower_bound(cells.begin(), cells.end(), column,
                                     [](const Cell &x, int col) { return x.column < col; });
    return at != cells.end() && at->column == column ? &*at : nullptr;
}

XlsxSheet::Cell &XlsxSheet::cellAt(int row, int column)
{
    if (row < 1 || row > XlsxAddress::MaxRows || column < 1 || column > XlsxAddress::MaxColumns)
        throw SpreadsheetError(QStringLiteral("单元格位置超出工作表范围：行 %1，列 %2").arg(row).arg(column));
    auto &cells = m_rows[row].cells;
    auto at = std::lower_bound(cells.begin(), cells.end(), column,
                               [](const Cell &x, int col) { return x.column < col; });
    if (at != cells.end() && at->column == column)
        return *at;
    Cell cell;
    cell.column = column;
    // A new cell takes its column's format, as spreadsheet programs give it.
    cell.style = columnStyle(column);
    return *cells.insert(at, std::move(cell));
}

void XlsxSheet::setCellText(int row, int column, const QString &text)
{
    requireWorksheet();
    Cell &cell = cellAt(row, column);
    cell.extra.reset();
    if (text.isEmpty()) {
        cell.type = CellType::Number;
        cell.hasValue = false;
        cell.value.clear();
        return;
    }
    cell.type = CellType::Shared;
    cell.hasValue = true;
    cell.value = std::to_string(m_book->strings().add(encodeCellText(text)));
}

QString XlsxSheet::cellText(int row, int column) const
{
    const Cell *cell = findCell(row, column);
    if (!cell || !cell->hasValue)
        return {};
    switch (cell->type) {
    case CellType::Shared:
        return m_book->strings().text(std::atoi(cell->value.c_str()));
    case CellType::Inline: {
        pugi::xml_document doc;
        const std::string wrapped = "<is>" + cell->value + "</is>";
        if (!doc.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default | pugi::parse_ws_pcdata_single))
            return {};
        std::string plain;
        for (pugi::xml_node part = doc.first_child().first_child(); part; part = part.next_sibling()) {
            if (localName(part) == "t")
                plain += part.child_value();
            else if (localName(part) == "r")
                plain += child(part, "t").child_value();
        }
        return decodeCellText(plain);
    }
    default:
        return decodeCellText(cell->value);
    }
}

int XlsxSheet::addSharedString(const std::string &encodedText)
{
    return m_book->strings().add(encodedText);
}

std::string XlsxSheet::storedValue(int row, int column) const
{
    const Cell *cell = findCell(row, column);
    return cell && cell->hasValue ? cell->value : std::string();
}

bool XlsxSheet::hasCell(int row, int column) const
{
    return findCell(row, column) != nullptr;
}

double XlsxSheet::defaultRowHeight() const
{
    const pugi::xml_node format = child(m_doc.document_element(), "sheetFormatPr");
    return toDouble(format.attribute("defaultRowHeight").value(), 15.0);
}

double XlsxSheet::rowHeight(int row) const
{
    const auto r = m_rows.find(row);
    return r != m_rows.end() && r->second.height >= 0 ? r->second.height : defaultRowHeight();
}

void XlsxSheet::setRowHeight(int row, double points)
{
    requireWorksheet();
    if (row < 1 || row > XlsxAddress::MaxRows)
        throw SpreadsheetError(QStringLiteral("行号超出工作表范围：%1").arg(row));
    if (!(points >= 0 && points <= 409.5))
        throw SpreadsheetError(QStringLiteral("行高无效：%1").arg(points));
    Row &r = m_rows[row];
    r.height = points;
    r.customHeight = true;
}
