// Reading and writing a worksheet part: the rows and cells, columns and
// merged areas go into the sheet's own model; the rest of the XML is kept.
#include "xlsx_sheet.h"

#include <algorithm>
#include <cstring>

#include "platform/app_error.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

namespace {

const char *RowsMarker = "@@tavro-rows@@";
const char *MergesMarker = "@@tavro-merges@@";

std::string cellName(int row, int column)
{
    std::string out;
    XlsxAddress::appendCellName(out, row, column);
    return out;
}

bool parseCellName(const char *text, int &row, int &column)
{
    return text && *text && XlsxAddress::parseCell(QString::fromLatin1(text), row, column);
}

void appendRaw(std::string &out, pugi::xml_attribute a)
{
    appendAttribute(out, a.name(), a.value());
}

} // namespace

const char *XlsxSheet::newPartXml()
{
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
           "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
           "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
           "</worksheet>";
}

void XlsxSheet::loadXml(const std::string &bytes)
{
    XlsxXml::load(m_doc, bytes, m_part);
    pugi::xml_node root = m_doc.document_element();
    if (localName(root) != "worksheet")
        throw SpreadsheetError(QStringLiteral("电子表格文件已损坏：%1 不是工作表").arg(QString::fromStdString(m_part)));
    pugi::xml_node sheetData = child(root, "sheetData");
    if (!sheetData)
        sheetData = ensureChild(root, "sheetData", WorksheetOrder);
    loadRows(sheetData);
    while (pugi::xml_node c = sheetData.first_child())
        sheetData.remove_child(c);
    while (pugi::xml_node cols = child(root, "cols")) {
        loadColumns(cols);
        root.remove_child(cols);
    }
    while (pugi::xml_node merges = child(root, "mergeCells")) {
        loadMerges(merges);
        root.remove_child(merges);
    }
}

void XlsxSheet::loadRows(pugi::xml_node sheetData)
{
    int previousRow = 0;
    for (pugi::xml_node r = sheetData.first_child(); r; r = r.next_sibling()) {
        if (r.type() != pugi::node_element || localName(r) != "row")
            continue;
        int number = previousRow + 1;
        if (pugi::xml_attribute a = r.attribute("r"))
            number = a.as_int();
        if (number < 1 || number > XlsxAddress::MaxRows)
            throw SpreadsheetError(QStringLiteral("电子表格文件已损坏：%1 中的行号无效").arg(QString::fromStdString(m_part)));
        previousRow = number;
        Row &row = m_rows[number];
        for (pugi::xml_attribute a = r.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view name = a.name();
            if (name == "r" || name == "spans")
                continue;
            if (name == "ht")
                row.height = toDouble(a.value(), -1);
            else if (name == "customHeight")
                row.customHeight = a.as_bool();
            else
                appendRaw(row.attributes, a);
        }
        int previousColumn = 0;
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element || localName(c) != "c")
                continue;
            Cell cell;
            cell.column = previousColumn + 1;
            int ignoredRow = 0;
            if (pugi::xml_attribute ref = c.attribute("r"); ref && !parseCellName(ref.value(), ignoredRow, cell.column))
                throw SpreadsheetError(QStringLiteral("电子表格文件已损坏：%1 中的单元格地址 %2 无效")
                                           .arg(QString::fromStdString(m_part), QString::fromUtf8(ref.value())));
            previousColumn = cell.column;
            CellExtra extra;
            bool hasExtra = false;
            for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) {
                const std::string_view name = a.name();
                if (name == "r")
                    continue;
                if (name == "s") {
                    cell.style = a.as_int(-1);
                } else if (name == "t") {
                    const std::string_view t = a.value();
                    cell.type = t == "s" ? CellType::Shared : t == "inlineStr" ? CellType::Inline
                              : t == "str" ? CellType::String : t == "b" ? CellType::Boolean
                              : t == "e" ? CellType::Error : t == "d" ? CellType::Date : CellType::Number;
                } else {
                    appendRaw(extra.attributes, a);
                    hasExtra = true;
                }
            }
            for (pugi::xml_node part = c.first_child(); part; part = part.next_sibling()) {
                if (part.type() != pugi::node_element)
                    continue;
                const std::string_view name = localName(part);
                if (name == "v") {
                    cell.value = part.child_value();
                    cell.hasValue = true;
                } else if (name == "is") {
                    cell.value = innerXml(part);
                    cell.hasValue = true;
                } else if (name == "f") {
                    extra.hasFormula = true;
                    extra.formula = part.child_value();
                    for (pugi::xml_attribute a = part.first_attribute(); a; a = a.next_attribute())
                        appendRaw(extra.formulaAttributes, a);
                    hasExtra = true;
                } else {
                    extra.children += outerXml(part);
                    hasExtra = true;
                }
            }
            if (hasExtra)
                cell.extra = std::make_shared<const CellExtra>(std::move(extra));
            auto at = std::lower_bound(row.cells.begin(), row.cells.end(), cell.column,
                                       [](const Cell &x, int col) { return x.column < col; });
            if (at != row.cells.end() && at->column == cell.column)
                *at = std::move(cell);
            else
                row.cells.insert(at, std::move(cell));
        }
    }
}

void XlsxSheet::loadColumns(pugi::xml_node cols)
{
    for (pugi::xml_node c = cols.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element || localName(c) != "col")
            continue;
        Column column;
        for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view name = a.name();
            if (name == "min")
                column.min = a.as_int();
            else if (name == "max")
                column.max = a.as_int();
            else if (name == "width")
                column.width = toDouble(a.value(), -1);
            else if (name == "style")
                column.style = a.as_int(-1);
            else if (name == "customWidth")
                column.customWidth = a.as_bool();
            else
                appendRaw(column.attributes, a);
        }
        if (column.min < 1 || column.max < column.min || column.max > XlsxAddress::MaxColumns)
            continue;
        m_columns.push_back(std::move(column));
    }
    std::sort(m_columns.begin(), m_columns.end(), [](const Column &a, const Column &b) { return a.min < b.min; });
}

void XlsxSheet::loadMerges(pugi::xml_node mergeCells)
{
    for (pugi::xml_node m = mergeCells.first_child(); m; m = m.next_sibling()) {
        if (m.type() != pugi::node_element || localName(m) != "mergeCell")
            continue;
        try {
            const CellRange range = XlsxAddress::parseRange(QString::fromLatin1(m.attribute("ref").value()));
            m_merges.push_back(range);
            m_mergeBottom = std::max(m_mergeBottom, range.bottom);
        } catch (const SpreadsheetError &) {
            // A merged area the file cannot name is dropped, as spreadsheet programs do.
        }
    }
}

std::string XlsxSheet::saveXml() const
{
    pugi::xml_document doc;
    doc.reset(m_doc);
    pugi::xml_node root = doc.document_element();
    const std::string prefix = prefixOf(root);

    int top = 0, left = 0, bottom = 0, right = 0;
    for (const auto &[rowNumber, row] : m_rows) {
        if (row.cells.empty())
            continue;
        top = top ? top : rowNumber;
        bottom = rowNumber;
        left = left ? std::min(left, row.cells.front().column) : row.cells.front().column;
        right = std::max(right, row.cells.back().column);
    }
    pugi::xml_node dimension = ensureChild(root, "dimension", WorksheetOrder);
    dimension.remove_attribute("ref");
    dimension.append_attribute("ref") =
        top ? (cellName(top, left) + (top == bottom && left == right ? "" : ":" + cellName(bottom, right))).c_str() : "A1";

    writeColumns(root);
    child(root, "sheetData").append_child(pugi::node_pcdata).set_value(RowsMarker);
    if (!m_merges.empty()) {
        pugi::xml_node merges = ensureChild(root, "mergeCells", WorksheetOrder);
        merges.append_attribute("count") = int(m_merges.size());
        merges.append_child(pugi::node_pcdata).set_value(MergesMarker);
    }

    const std::string skeleton = save(doc);
    std::string rows;
    writeRows(rows, prefix);
    std::string merges;
    for (const CellRange &m : m_merges) {
        merges += "<" + prefix + "mergeCell ref=\"";
        merges += XlsxAddress::format(m).toStdString();
        merges += "\"/>";
    }
    std::string out;
    out.reserve(skeleton.size() + rows.size() + merges.size());
    const size_t rowsAt = skeleton.find(RowsMarker);
    const size_t mergesAt = skeleton.find(MergesMarker);
    out.append(skeleton, 0, rowsAt);
    out += rows;
    if (mergesAt == std::string::npos) {
        out.append(skeleton, rowsAt + std::strlen(RowsMarker));
    } else {
        out.append(skeleton, rowsAt + std::strlen(RowsMarker), mergesAt - rowsAt - std::strlen(RowsMarker));
        out += merges;
        out.append(skeleton, mergesAt + std::strlen(MergesMarker));
    }
    return out;
}

void XlsxSheet::writeColumns(pugi::xml_node root) const
{
    if (m_columns.empty())
        return;
    pugi::xml_node cols = ensureChild(root, "cols", WorksheetOrder);
    const double fallbackWidth = defaultColumnWidth();
    for (const Column &c : m_columns) {
        if (c.width < 0 && c.style < 0 && c.attributes.empty())
            continue;
        pugi::xml_node col = appendChild(cols, "col");
        col.append_attribute("min") = c.min;
        col.append_attribute("max") = c.max;
        col.append_attribute("width") = number(c.width >= 0 ? c.width : fallbackWidth).c_str();
        if (c.style >= 0)
            col.append_attribute("style") = c.style;
        if (c.customWidth)
            col.append_attribute("customWidth") = "1";
        // Other attributes (hidden, bestFit, outline) were kept escaped; parse them back in.
        if (!c.attributes.empty()) {
            pugi::xml_document extra;
            const std::string wrapper = "<x" + c.attributes + "/>";
            if (extra.load_buffer(wrapper.data(), wrapper.size())) {
                for (pugi::xml_attribute a = extra.first_child().first_attribute(); a; a = a.next_attribute())
                    col.append_attribute(a.name()) = a.value();
            }
        }
    }
    if (!cols.first_child())
        root.remove_child(cols);
}

void XlsxSheet::writeRows(std::string &out, const std::string &p) const
{
    out.reserve(out.size() + m_rows.size() * 64);
    for (const auto &[rowNumber, row] : m_rows) {
        if (row.cells.empty() && row.height < 0 && row.attributes.empty())
            continue;
        XlsxXml::appendRowStart(out, p, rowNumber, row.height, row.customHeight, row.attributes);
        if (row.cells.empty()) {
            out += "/>";
            continue;
        }
        out += '>';
        for (const Cell &cell : row.cells) {
            out += '<';
            out += p;
            out += "c r=\"";
            XlsxAddress::appendCellName(out, rowNumber, cell.column);
            out += '"';
            appendCellBody(out, cell, p);
        }
        out += "</" + p + "row>";
    }
}

void XlsxSheet::appendCellBody(std::string &out, const Cell &cell, const std::string &p)
{
    if (cell.style >= 0) {
        out += " s=\"";
        out += std::to_string(cell.style);
        out += '"';
    }
    switch (cell.type) {
    case CellType::Number: break;
    case CellType::Shared: out += " t=\"s\""; break;
    case CellType::Inline: out += " t=\"inlineStr\""; break;
    case CellType::String: out += " t=\"str\""; break;
    case CellType::Boolean: out += " t=\"b\""; break;
    case CellType::Error: out += " t=\"e\""; break;
    case CellType::Date: out += " t=\"d\""; break;
    }
    const CellExtra *extra = cell.extra.get();
    if (extra)
        out += extra->attributes;
    const bool empty = !cell.hasValue && (!extra || (!extra->hasFormula && extra->children.empty()));
    if (empty) {
        out += "/>";
        return;
    }
    out += '>';
    if (extra && extra->hasFormula) {
        out += '<' + p + 'f' + extra->formulaAttributes;
        if (extra->formula.empty()) {
            out += "/>";
        } else {
            out += '>';
            appendText(out, extra->formula);
            out += "</" + p + "f>";
        }
    }
    if (cell.hasValue) {
        if (cell.type == CellType::Inline) {
            out += '<' + p + "is>" + cell.value + "</" + p + "is>";
        } else {
            out += '<' + p + "v>";
            appendText(out, cell.value);
            out += "</" + p + "v>";
        }
    }
    if (extra)
        out += extra->children;
    out += "</" + p + "c>";
}
