// Block copies within a workbook (values, formulas with their relative
// references moved, formats, merged areas) and merged areas.
#include "xlsx_sheet.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/app_error.h"

namespace {

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
                        XlsxAddress::appendColumnLetters(out, newCol);
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

} // namespace

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
