#include "sheet_rows.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/app_error.h"
#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_cell_text.h"
#include "xlsx/xlsx_streamed_workbook.h"

// Reads the cells of one worksheet of an .xlsx package, values only: what the
// import needs is each cell's text and whether it was stored as a number or a
// date. The worksheet and the shared strings are read as a stream; only the
// small parts (relationships, workbook, styles) are parsed whole.

namespace SheetRowsReader {

namespace {

QString numberText(const std::string &raw)
{
    const QString text = QString::fromLatin1(raw).trimmed();
    bool ok = false;
    const double value = text.toDouble(&ok);
    // Integers as a person writes them; 4.40606199003152E+17 stays as stored.
    if (ok && std::fabs(value) < 1e15 && value == std::floor(value))
        return QString::number(qint64(value));
    return text;
}

using Token = XlsxXmlPull::Token;

// The column of a cell name ("B12", "$B$12"); 0 when it names none. Columns
// past the sheet's last are all one past it.
int columnOfCell(std::string_view ref)
{
    int column = 0;
    for (char c : ref) {
        if (c == '$')
            continue;
        const char upper = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
        if (upper < 'A' || upper > 'Z')
            break;
        column = std::min(column * 26 + (upper - 'A' + 1), XlsxAddress::MaxColumns + 1);
    }
    return column;
}

// Raw (still escaped) texts are bounded while they are gathered.
constexpr std::size_t MaxRawBytes = 8 * 3 * SheetLimits::MaxCellCharacters;

// The texts of the <si> entries: their <t>, directly or in runs, without the
// phonetic readings of <rPh>.
std::vector<QString> sharedStrings(const XlsxStreamedWorkbook &book, SheetLimitGuard &guard)
{
    std::vector<QString> out;
    if (book.sharedStringsPart().empty())
        return out;
    const std::unique_ptr<XlsxXmlPull> stream = book.open(book.sharedStringsPart(), SheetLimits::MaxPartBytes);
    XlsxXmlPull &pull = *stream;
    std::string text;
    bool inEntry = false;
    bool inText = false;
    int phonetic = 0;
    for (Token token = pull.next(); token != Token::End; token = pull.next()) {
        if (token == Token::StartElement) {
            if (pull.name() == "si") {
                inEntry = true;
                text.clear();
            } else if (pull.name() == "rPh") {
                ++phonetic;
            } else if (inEntry && phonetic == 0 && pull.name() == "t") {
                inText = true;
            }
        } else if (token == Token::Text && inText) {
            pull.appendText(text);
            if (text.size() > MaxRawBytes)
                guard.sharedString(qsizetype(out.size()), qsizetype(text.size()));
        } else if (token == Token::EndElement) {
            if (pull.name() == "t") {
                inText = false;
            } else if (pull.name() == "rPh") {
                --phonetic;
            } else if (pull.name() == "si") {
                inEntry = false;
                QString decoded = XlsxXml::decodeCellText(text);
                guard.sharedString(qsizetype(out.size()), decoded.size());
                out.push_back(std::move(decoded));
            }
        }
    }
    return out;
}

class XlsxSheet final : public SheetRowReader
{
public:
    XlsxSheet(const QString &path, const QString &sheet)
        : m_book(path, SheetLimits::MaxSmallPartBytes), m_guard(path)
    {
        if (!m_book.isWorkbook())
            throw SpreadsheetError(QStringLiteral("“%1”不是 Excel 工作簿，无法导入。请用 Excel 或 WPS 另存为 .xlsx 后再导入。").arg(path));
        m_date1904 = m_book.usesDate1904();

        // The sheet named (letter case aside), else the first worksheet.
        std::string sheetPart;
        QStringList names;
        for (const XlsxSheetEntry &entry : m_book.sheets()) {
            names << entry.name;
            if (sheetPart.empty() && entry.isWorksheet()
                && (sheet.isEmpty() || entry.name.compare(sheet, Qt::CaseInsensitive) == 0)) {
                sheetPart = entry.part;
                m_sheetName = entry.name;
            }
        }
        if (sheetPart.empty() || !m_book.contains(sheetPart))
            throw SpreadsheetError(QStringLiteral("文件中没有名为“%1”的工作表，请从这些工作表中选一个：%2")
                                       .arg(sheet, names.join(QStringLiteral("、"))));

        m_strings = sharedStrings(m_book, m_guard);
        m_dates = m_book.dateStyles();
        m_sheet = m_book.open(sheetPart, SheetLimits::MaxPartBytes);
    }

    bool next(SheetRow &row) override
    {
        for (Token token = m_sheet->next(); token != Token::End; token = m_sheet->next()) {
            if (token == Token::StartElement)
                start();
            else if (token == Token::Text && m_capture)
                capture();
            else if (token == Token::EndElement && end(row))
                return true;
        }
        return false;
    }

    int permilleRead() const override { return m_sheet->permilleRead(); }

private:
    void start()
    {
        const std::string_view name = m_sheet->name();
        if (name == "row") {
            m_inRow = true;
            const int number = QByteArrayView(m_sheet->attribute("r")).toInt();
            m_row = number > 0 ? number : m_row + 1;
            m_column = 0;
            m_cells.clear();
        } else if (name == "c" && m_inRow) {
            const int column = columnOfCell(m_sheet->attribute("r"));
            m_column = column > 0 ? column : m_column + 1;
            m_type = m_sheet->attribute("t");
            m_style = QByteArrayView(m_sheet->attribute("s")).toInt();
            m_value.clear();
            m_inline.clear();
            m_hasValue = false;
            m_inInline = false;
        } else if (name == "v") {
            m_capture = &m_value;
            m_hasValue = true;
        } else if (name == "is") {
            m_inInline = true;
        } else if (name == "rPh") {
            m_inInline = false; // a phonetic reading, not the text
        } else if (name == "t" && m_inInline) {
            m_capture = &m_inline;
        }
    }

    void capture()
    {
        m_sheet->appendText(*m_capture);
        if (m_capture->size() > MaxRawBytes)
            m_guard.cell(m_row, m_column, qsizetype(m_capture->size()));
    }

    // True when a row holding anything ended.
    bool end(SheetRow &row)
    {
        const std::string_view name = m_sheet->name();
        if (name == "v" || name == "t") {
            m_capture = nullptr;
        } else if (name == "is") {
            m_inInline = false;
        } else if (name == "rPh") {
            m_inInline = m_type == "inlineStr";
        } else if (name == "c" && m_inRow) {
            SheetCell cell = cellValue();
            if (!cell.isEmpty()) {
                m_guard.cell(m_row, m_column, cell.text.size());
                while (m_cells.size() < m_column - 1)
                    m_cells.append(SheetCell{});
                if (m_cells.size() >= m_column)
                    m_cells[m_column - 1] = std::move(cell); // a cell named twice: the later one
                else
                    m_cells.append(std::move(cell));
            }
        } else if (name == "row") {
            m_inRow = false;
            if (m_cells.isEmpty())
                return false;
            m_guard.row();
            row.number = m_row;
            row.cells = std::move(m_cells);
            m_cells = QList<SheetCell>();
            return true;
        }
        return false;
    }

    SheetCell cellValue() const
    {
        SheetCell cell;
        if (m_type == "s") {
            bool ok = false;
            const qsizetype index = QByteArrayView(m_value).trimmed().toLongLong(&ok);
            if (ok && index >= 0 && size_t(index) < m_strings.size())
                cell.text = m_strings[size_t(index)];
        } else if (m_type == "inlineStr") {
            cell.text = XlsxXml::decodeCellText(m_inline);
        } else if (m_type == "str" || m_type == "e") {
            cell.text = XlsxXml::decodeCellText(m_value);
        } else if (m_type == "b") {
            cell.text = QByteArrayView(m_value).trimmed() == "1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        } else if (m_type == "d") {
            cell.kind = SheetCell::Kind::Date;
            cell.date = QDate::fromString(QString::fromLatin1(m_value).trimmed().left(10), Qt::ISODate);
            cell.text = cell.date.toString(QStringLiteral("yyyy-MM-dd"));
        } else if (m_hasValue && !QByteArrayView(m_value).trimmed().isEmpty()) {
            if (m_style >= 0 && size_t(m_style) < m_dates.size() && m_dates[size_t(m_style)]) {
                cell.kind = SheetCell::Kind::Date;
                cell.date = dateOfSerial(QByteArrayView(m_value).trimmed().toDouble(), m_date1904);
                cell.text = cell.date.toString(QStringLiteral("yyyy-MM-dd"));
            } else {
                cell.kind = SheetCell::Kind::Number;
                cell.text = numberText(m_value);
            }
        }
        return cell;
    }

    XlsxStreamedWorkbook m_book;
    SheetLimitGuard m_guard;
    bool m_date1904 = false;
    std::vector<QString> m_strings;
    std::vector<bool> m_dates;
    std::unique_ptr<XlsxXmlPull> m_sheet;
    // The row and cell being read.
    bool m_inRow = false;
    int m_row = 0;
    int m_column = 0;
    QList<SheetCell> m_cells;
    std::string m_type;
    int m_style = 0;
    std::string m_value;
    std::string m_inline;
    std::string *m_capture = nullptr; // where the text goes
    bool m_hasValue = false;
    bool m_inInline = false;
};

} // namespace

std::unique_ptr<SheetRowReader> openXlsx(const QString &path, const QString &sheet)
{
    return std::make_unique<XlsxSheet>(path, sheet);
}

} // namespace SheetRowsReader
