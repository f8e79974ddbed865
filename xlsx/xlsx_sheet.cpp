#include "xlsx_workbook.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/app_error.h"
#include "xlsx/xlsx_book.h"
#include "xlsx/xlsx_xml.h"

using namespace XlsxXml;

namespace {

const char *RowsMarker = "@@tavro-rows@@";
const char *MergesMarker = "@@tavro-merges@@";

void appendColumnLetters(std::string &out, int column)
{
    char buffer[4];
    int n = 0;
    while (column > 0 && n < 4) {
        buffer[n++] = char('A' + (column - 1) % 26);
        column = (column - 1) / 26;
    }
    while (n > 0)
        out += buffer[--n];
}

void appendCellName(std::string &out, int row, int column)
{
    appendColumnLetters(out, column);
    out += std::to_string(row);
}

std::string cellName(int row, int column)
{
    std::string out;
    appendCellName(out, row, column);
    return out;
}

bool parseCellName(const char *text, int &row, int &column)
{
    return text && *text && XlsxAddress::parseCell(QString::fromLatin1(text), row, column);
}

bool isNameChar(char c)
{
    return std::isalnum((unsigned char)c) || c == '_' || c == '.' || c == '\\' || (unsigned char)c >= 0x80;
}

// The formula with its relative references moved by dr rows and dc columns,
// as a spreadsheet program does when a formula is copied elsewhere.
std::string shiftFormula(std::string_view f, int dr, int dc)
{
    std::string out;
    size_t i = 0;
    const size_t n = f.size();
    while (i < n) {
        const char c = f[i];
        if (c == '"' || c == '\'') {
            const size_t start = i++;
            while (i < n) {
                if (f[i] == c && i + 1 < n && f[i + 1] == c) {
                    i += 2;
                } else if (f[i] == c) {
                    ++i;
                    break;
                } else {
                    ++i;
                }
            }
            out.append(f.substr(start, i - start));
            continue;
        }
        if ((c == '$' || std::isalpha((unsigned char)c)) && (i == 0 || !isNameChar(f[i - 1]))) {
            size_t j = i;
            const bool colAbs = f[j] == '$';
            if (colAbs)
                ++j;
            const size_t lettersStart = j;
            while (j < n && std::isalpha((unsigned char)f[j]))
                ++j;
            const size_t letters = j - lettersStart;
            const bool rowAbs = j < n && f[j] == '$';
            if (rowAbs)
                ++j;
            const size_t digitsStart = j;
            while (j < n && std::isdigit((unsigned char)f[j]))
                ++j;
            const size_t digits = j - digitsStart;
            const bool followedByName = j < n && (isNameChar(f[j]) || f[j] == '(' || f[j] == '!');
            if (letters >= 1 && letters <= 3 && digits >= 1 && digits <= 7 && !followedByName) {
                const int col = XlsxAddress::columnNumber(
                    QString::fromLatin1(f.data() + lettersStart, qsizetype(letters)));
                const int row = std::atoi(std::string(f.substr(digitsStart, digits)).c_str());
                if (col > 0) {
                    const int newCol = colAbs ? col : col + dc;
                    const int newRow = rowAbs ? row : row + dr;
                    if (newCol < 1 || newCol > XlsxAddress::MaxColumns || newRow < 1 || newRow > XlsxAddress::MaxRows) {
                        out += "#REF!";
                    } else {
                        if (colAbs)
                            out += '$';
                        appendColumnLetters(out, newCol);
                        if (rowAbs)
                            out += '$';
                        out += std::to_string(newRow);
                    }
                    i = j;
                    continue;
                }
            }
            // Not a reference: copy the whole name so that its tail is not taken for one.
            size_t k = i + 1;
            while (k < n && isNameChar(f[k]))
                ++k;
            out.append(f.substr(i, k - i));
            i = k;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

// Display width of text in units of one Latin character; East Asian wide
// characters count two. Multi-line text counts its longest line.
double textUnits(std::string_view utf8)
{
    double widest = 0, line = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = (unsigned char)utf8[i];
        char32_t u = c;
        int length = 1;
        if (c >= 0xF0) {
            length = 4;
            u = c & 0x07;
        } else if (c >= 0xE0) {
            length = 3;
            u = c & 0x0F;
        } else if (c >= 0xC0) {
            length = 2;
            u = c & 0x1F;
        }
        for (int k = 1; k < length && i + size_t(k) < utf8.size(); ++k)
            u = (u << 6) | ((unsigned char)utf8[i + size_t(k)] & 0x3F);
        i += size_t(length);
        if (u == '\n') {
            widest = std::max(widest, line);
            line = 0;
            continue;
        }
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                          || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
                          || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6)
                          || (u >= 0x20000 && u <= 0x3FFFD);
        line += wide ? 2 : 1;
    }
    return std::max(widest, line);
}

void appendRaw(std::string &out, pugi::xml_attribute a)
{
    appendAttribute(out, a.name(), a.value());
}

} // namespace

XlsxSheet::XlsxSheet(XlsxBook *book, const QString &name, std::string part)
    : m_book(book), m_name(name), m_part(std::move(part))
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

// ---------------------------------------------------------------- loading and saving

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

    if (!m_columns.empty()) {
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

void XlsxSheet::writeRows(std::string &out, const std::string &p) const
{
    out.reserve(out.size() + m_rows.size() * 64);
    for (const auto &[rowNumber, row] : m_rows) {
        if (row.cells.empty() && row.height < 0 && row.attributes.empty())
            continue;
        out += '<';
        out += p;
        out += "row r=\"";
        out += std::to_string(rowNumber);
        out += '"';
        if (row.height >= 0) {
            out += " ht=\"";
            out += XlsxXml::number(row.height);
            out += '"';
            if (row.customHeight)
                out += " customHeight=\"1\"";
        }
        out += row.attributes;
        if (row.cells.empty()) {
            out += "/>";
            continue;
        }
        out += '>';
        for (const Cell &cell : row.cells) {
            out += '<';
            out += p;
            out += "c r=\"";
            appendCellName(out, rowNumber, cell.column);
            out += '"';
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
                continue;
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
        out += "</" + p + "row>";
    }
}

// ---------------------------------------------------------------- cells

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
    cell.value = std::to_string(m_book->addString(encodeCellText(text)));
}

QString XlsxSheet::cellText(int row, int column) const
{
    const Cell *cell = findCell(row, column);
    if (!cell || !cell->hasValue)
        return {};
    switch (cell->type) {
    case CellType::Shared:
        return m_book->stringText(std::atoi(cell->value.c_str()));
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

int XlsxSheet::cellStyle(int row, int column) const
{
    const Cell *cell = findCell(row, column);
    return cell ? cell->style : -1;
}

bool XlsxSheet::hasCell(int row, int column) const
{
    return findCell(row, column) != nullptr;
}

int XlsxSheet::lastRow() const
{
    for (auto it = m_rows.rbegin(); it != m_rows.rend(); ++it) {
        if (!it->second.cells.empty())
            return it->first;
    }
    return 0;
}

int XlsxSheet::lastColumn() const
{
    int last = 0;
    for (const auto &[rowNumber, row] : m_rows) {
        if (!row.cells.empty())
            last = std::max(last, row.cells.back().column);
    }
    return last;
}

// ---------------------------------------------------------------- rows

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

// ---------------------------------------------------------------- blocks and merged areas

void XlsxSheet::removeCellsIn(const CellRange &block)
{
    for (auto r = m_rows.lower_bound(block.top); r != m_rows.end() && r->first <= block.bottom; ++r) {
        auto &cells = r->second.cells;
        auto first = std::lower_bound(cells.begin(), cells.end(), block.left,
                                      [](const Cell &x, int col) { return x.column < col; });
        auto last = std::upper_bound(first, cells.end(), block.right,
                                     [](int col, const Cell &x) { return col < x.column; });
        cells.erase(first, last);
    }
}

void XlsxSheet::copyRange(const QString &from, XlsxSheet &target, const QString &to) const
{
    requireWorksheet();
    target.requireWorksheet();
    if (target.m_book != m_book)
        throw SpreadsheetError(QStringLiteral("只能在同一工作簿的工作表之间复制区域"));
    const CellRange source = XlsxAddress::parseRange(from);
    const CellRange at = XlsxAddress::parseRange(to);
    const int dr = at.top - source.top;
    const int dc = at.left - source.left;
    const CellRange destination{at.top, at.left, at.top + source.rowCount() - 1, at.left + source.columnCount() - 1};
    if (destination.bottom > XlsxAddress::MaxRows || destination.right > XlsxAddress::MaxColumns)
        throw SpreadsheetError(QStringLiteral("目标区域超出工作表范围：") + to);

    // Take the copies first: source and destination may be the same sheet.
    std::vector<std::pair<int, std::vector<Cell>>> copies;
    for (auto r = m_rows.lower_bound(source.top); r != m_rows.end() && r->first <= source.bottom; ++r) {
        std::vector<Cell> cells;
        for (const Cell &cell : r->second.cells) {
            if (cell.column < source.left || cell.column > source.right)
                continue;
            Cell copy = cell;
            copy.column += dc;
            if (cell.extra && cell.extra->hasFormula) {
                CellExtra extra = *cell.extra;
                const std::string &attrs = extra.formulaAttributes;
                const bool plainFormula = attrs.find(" t=\"") == std::string::npos || attrs.find(" t=\"normal\"") != std::string::npos;
                if (plainFormula) {
                    extra.formula = shiftFormula(extra.formula, dr, dc);
                } else {
                    // Shared and array formulas belong to their origin block; the copy keeps the value.
                    extra.hasFormula = false;
                    extra.formula.clear();
                    extra.formulaAttributes.clear();
                }
                copy.extra = std::make_shared<const CellExtra>(std::move(extra));
            }
            cells.push_back(std::move(copy));
        }
        if (!cells.empty())
            copies.emplace_back(r->first + dr, std::move(cells));
    }
    std::vector<CellRange> merges;
    if (source.top <= m_mergeBottom) {
        for (const CellRange &m : m_merges) {
            if (source.contains(m))
                merges.push_back(CellRange{m.top + dr, m.left + dc, m.bottom + dr, m.right + dc});
        }
    }

    target.removeCellsIn(destination);
    if (destination.top <= target.m_mergeBottom) {
        std::erase_if(target.m_merges, [&](const CellRange &m) { return m.intersects(destination); });
    }
    for (auto &[row, cells] : copies) {
        auto &existing = target.m_rows[row].cells;
        auto position = std::lower_bound(existing.begin(), existing.end(), destination.left,
                                         [](const Cell &x, int col) { return x.column < col; });
        existing.insert(position, std::make_move_iterator(cells.begin()), std::make_move_iterator(cells.end()));
    }
    for (const CellRange &m : merges) {
        target.m_merges.push_back(m);
        target.m_mergeBottom = std::max(target.m_mergeBottom, m.bottom);
    }
}

QList<CellRange> XlsxSheet::mergedRanges() const
{
    return QList<CellRange>(m_merges.begin(), m_merges.end());
}

void XlsxSheet::merge(const QString &range)
{
    requireWorksheet();
    const CellRange r = XlsxAddress::parseRange(range);
    for (const CellRange &m : m_merges) {
        if (m.intersects(r))
            throw SpreadsheetError(QStringLiteral("合并区域 %1 与已有的合并区域 %2 重叠")
                                       .arg(XlsxAddress::format(r), XlsxAddress::format(m)));
    }
    m_merges.push_back(r);
    m_mergeBottom = std::max(m_mergeBottom, r.bottom);
}

// ---------------------------------------------------------------- page setup

static const char *marginName(XlsxSheet::Margin which)
{
    switch (which) {
    case XlsxSheet::Margin::Left: return "left";
    case XlsxSheet::Margin::Right: return "right";
    case XlsxSheet::Margin::Top: return "top";
    case XlsxSheet::Margin::Bottom: return "bottom";
    case XlsxSheet::Margin::Header: return "header";
    case XlsxSheet::Margin::Footer: return "footer";
    }
    return "left";
}

static double defaultMargin(XlsxSheet::Margin which)
{
    switch (which) {
    case XlsxSheet::Margin::Left:
    case XlsxSheet::Margin::Right: return 0.7;
    case XlsxSheet::Margin::Top:
    case XlsxSheet::Margin::Bottom: return 0.75;
    case XlsxSheet::Margin::Header:
    case XlsxSheet::Margin::Footer: return 0.3;
    }
    return 0.7;
}

double XlsxSheet::margin(Margin which) const
{
    const pugi::xml_node margins = child(m_doc.document_element(), "pageMargins");
    return toDouble(margins.attribute(marginName(which)).value(), defaultMargin(which));
}

void XlsxSheet::setMargin(Margin which, double inches)
{
    requireWorksheet();
    if (!(inches >= 0 && inches < 50))
        throw SpreadsheetError(QStringLiteral("页边距无效：%1").arg(inches));
    pugi::xml_node margins = ensureChild(m_doc.document_element(), "pageMargins", WorksheetOrder);
    // The file format wants all six margins once the element exists.
    for (Margin m : {Margin::Left, Margin::Right, Margin::Top, Margin::Bottom, Margin::Header, Margin::Footer}) {
        if (!margins.attribute(marginName(m)))
            margins.append_attribute(marginName(m)) = number(defaultMargin(m)).c_str();
    }
    margins.attribute(marginName(which)) = number(inches).c_str();
}

namespace {
struct FooterSections
{
    std::string left, center, right;
};

FooterSections splitFooter(std::string_view text)
{
    FooterSections s;
    std::string *current = &s.center;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            const char code = text[i + 1];
            if (code == 'L' || code == 'C' || code == 'R') {
                current = code == 'L' ? &s.left : code == 'C' ? &s.center : &s.right;
                ++i;
                continue;
            }
            *current += text[i];
            *current += code;
            ++i;
            continue;
        }
        *current += text[i];
    }
    return s;
}
} // namespace

QString XlsxSheet::rightFooter() const
{
    const pugi::xml_node footer = child(child(m_doc.document_element(), "headerFooter"), "oddFooter");
    return QString::fromStdString(splitFooter(footer.child_value()).right);
}

void XlsxSheet::setRightFooter(const QString &text)
{
    requireWorksheet();
    pugi::xml_node headerFooter = ensureChild(m_doc.document_element(), "headerFooter", WorksheetOrder);
    pugi::xml_node footer = ensureChild(headerFooter, "oddFooter",
                                        {"oddHeader", "oddFooter", "evenHeader", "evenFooter", "firstHeader", "firstFooter"});
    FooterSections s = splitFooter(footer.child_value());
    s.right = text.toStdString();
    std::string joined;
    if (!s.left.empty())
        joined += "&L" + s.left;
    if (!s.center.empty())
        joined += "&C" + s.center;
    if (!s.right.empty())
        joined += "&R" + s.right;
    footer.text().set(joined.c_str());
}

QString XlsxSheet::printArea() const
{
    return QString::fromUtf8(m_book->printAreaName(index() - 1).child_value());
}

void XlsxSheet::clearPrintArea()
{
    pugi::xml_node names = m_book->definedNames();
    while (pugi::xml_node n = m_book->printAreaName(index() - 1))
        names.remove_child(n);
    if (names && !child(names, "definedName"))
        names.parent().remove_child(names);
}

// ---------------------------------------------------------------- columns

double XlsxSheet::defaultColumnWidth() const
{
    const pugi::xml_node format = child(m_doc.document_element(), "sheetFormatPr");
    return toDouble(format.attribute("defaultColWidth").value(), 8.43);
}

void XlsxSheet::splitColumns(int first, int last)
{
    std::vector<Column> out;
    int next = first; // first column of [first, last] not covered yet
    for (Column &c : m_columns) {
        if (c.max < first || c.min > last) {
            out.push_back(c);
            continue;
        }
        if (c.min < first) {
            Column before = c;
            before.max = first - 1;
            out.push_back(before);
        }
        const int from = std::max(c.min, first);
        const int to = std::min(c.max, last);
        if (from > next) {
            Column gap;
            gap.min = next;
            gap.max = from - 1;
            out.push_back(gap);
        }
        for (int k = from; k <= to; ++k) {
            Column one = c;
            one.min = one.max = k;
            out.push_back(one);
        }
        next = to + 1;
        if (c.max > last) {
            Column after = c;
            after.min = last + 1;
            out.push_back(after);
        }
    }
    if (next <= last) {
        Column gap;
        gap.min = next;
        gap.max = last;
        out.push_back(gap);
    }
    std::sort(out.begin(), out.end(), [](const Column &a, const Column &b) { return a.min < b.min; });
    m_columns = std::move(out);
}

int XlsxSheet::columnStyle(int column) const
{
    for (const Column &c : m_columns) {
        if (column >= c.min && column <= c.max)
            return c.style;
    }
    return -1;
}

double XlsxSheet::columnWidth(int column) const
{
    for (const Column &c : m_columns) {
        if (column >= c.min && column <= c.max && c.width >= 0)
            return c.width;
    }
    return defaultColumnWidth();
}

void XlsxSheet::formatAllCellsAsText()
{
    requireWorksheet();
    splitColumns(1, XlsxAddress::MaxColumns);
    for (Column &c : m_columns)
        c.style = m_book->textVariantOf(c.style);
    for (auto &[rowNumber, row] : m_rows) {
        for (Cell &cell : row.cells)
            cell.style = m_book->textVariantOf(cell.style);
    }
}

void XlsxSheet::autoFitColumns(const QString &columns)
{
    requireWorksheet();
    const QStringList parts = columns.trimmed().split(QLatin1Char(':'));
    const int first = XlsxAddress::columnNumber(parts.value(0));
    const int last = XlsxAddress::columnNumber(parts.value(parts.size() > 1 ? 1 : 0));
    if (parts.size() > 2 || first == 0 || last == 0)
        throw SpreadsheetError(QStringLiteral("无效的列区域：") + columns);
    const int from = std::min(first, last), to = std::max(first, last);
    std::vector<double> widest(size_t(to - from + 1), -1);
    for (const auto &[rowNumber, row] : m_rows) {
        for (const Cell &cell : row.cells) {
            if (cell.column < from || cell.column > to || !cell.hasValue)
                continue;
            double units;
            if (cell.type == CellType::Shared) {
                const int index = std::atoi(cell.value.c_str());
                units = index >= 0 && size_t(index) < m_book->stringPlain.size()
                            ? textUnits(m_book->stringPlain[size_t(index)]) : 0;
            } else {
                units = textUnits(cellText(rowNumber, cell.column).toStdString());
            }
            double &w = widest[size_t(cell.column - from)];
            w = std::max(w, units);
        }
    }
    // The text plus a margin of about two characters, within the file format's limit.
    splitColumns(from, to);
    for (Column &c : m_columns) {
        if (c.min < from || c.max > to || widest[size_t(c.min - from)] < 0)
            continue;
        c.width = std::min(255.0, std::round((widest[size_t(c.min - from)] + 2.0) * 100) / 100);
        c.customWidth = true;
    }
}
