#include "sheet_rows.h"

#include <QFile>

#include "platform/app_error.h"
#include "platform/text_encoding.h"

// Reads a .csv a chunk at a time: fields separated by commas or by tabs (as the
// heading line shows), quoted with " (doubled inside), records ended by CR, LF
// or CRLF. UTF-8 when the whole file is valid UTF-8 (a byte order mark is
// dropped), else GBK (read as GB18030). A quote never closed refuses the file
// with the line it opened on, rather than taking the rest of the file as one field.

namespace SheetRowsReader {

namespace {

constexpr qint64 ChunkBytes = 256 * 1024;

class CsvSheet final : public SheetRowReader
{
public:
    explicit CsvSheet(const QString &path) : m_file(path), m_guard(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw SpreadsheetError(QStringLiteral("无法读取文件“%1”，请确认它没有被其它程序占用。\n").arg(path)
                                   + m_file.errorString());
        m_size = m_file.size();
        TextEncoding::Guess guess;
        for (QByteArray bytes = readChunk(); !bytes.isEmpty(); bytes = readChunk())
            guess.add(bytes);
        m_decoder = guess.decoder();
        if (!m_file.seek(0))
            throw unreadable();
        if (fill())
            m_separator = separatorOf(m_text);
    }

    bool next(SheetRow &row) override
    {
        for (;;) {
            if (m_at >= m_text.size()) {
                if (fill())
                    continue;
                if (m_ended)
                    return false;
                m_ended = true;
                if (m_quoted && !m_quoteSeen)
                    throw SpreadsheetError(QStringLiteral("“%1”第 %2 行的引号没有配对，请检查这一行的引号后再导入。")
                                               .arg(m_file.fileName(), QString::number(m_quoteLine)));
                m_quoteSeen = false;
                return (m_any || !m_field.isEmpty()) && finishRecord(row);
            }
            if (parse(row))
                return true;
        }
    }

    int permilleRead() const override { return m_size > 0 ? int(m_file.pos() * 1000 / m_size) : 1000; }

private:
    SpreadsheetError unreadable() const
    {
        return SpreadsheetError(QStringLiteral("无法读取文件“%1”，请确认它没有被其它程序占用。\n").arg(m_file.fileName())
                                + m_file.errorString());
    }

    QByteArray readChunk()
    {
        QByteArray bytes(ChunkBytes, Qt::Uninitialized);
        const qint64 got = m_file.read(bytes.data(), ChunkBytes);
        if (got < 0)
            throw unreadable();
        bytes.truncate(got);
        return bytes;
    }

    // The separator of the heading line (the first that holds more than
    // blanks and a separator: a title line above the headings has none): a
    // comma or a tab, whichever it has more of outside quotes. A line
    // separated by anything else is refused, naming what it saw.
    QChar separatorOf(const QString &text) const
    {
        qsizetype commas = 0, tabs = 0, semicolons = 0, bars = 0;
        bool quoted = false, content = false;
        int contentLines = 0;
        for (const QChar c : text) {
            if (c == QLatin1Char('"'))
                quoted = !quoted;
            if (quoted)
                continue;
            if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
                if (content && (commas > 0 || tabs > 0 || semicolons > 0 || bars > 0 || ++contentLines == 10))
                    break;
                content = false;
                commas = tabs = semicolons = bars = 0;
                continue;
            }
            commas += c == QLatin1Char(',');
            tabs += c == QLatin1Char('\t');
            semicolons += c == QLatin1Char(';');
            bars += c == QLatin1Char('|');
            content = content || !c.isSpace();
        }
        if (commas > 0 || tabs > 0)
            return tabs > commas ? QLatin1Char('\t') : QLatin1Char(',');
        if (semicolons > 0 || bars > 0)
            throw SpreadsheetError(QStringLiteral("“%1”的标题行用“%2”分隔各列，只能导入用逗号或制表符分隔的 .csv 文件。"
                                                  "请在 Excel 或 WPS 中另存为“CSV（逗号分隔）”后再导入。")
                                       .arg(m_file.fileName(), semicolons >= bars ? QStringLiteral(";") : QStringLiteral("|")));
        return QLatin1Char(',');
    }

    bool fill()
    {
        const QByteArray bytes = readChunk();
        if (bytes.isEmpty())
            return false;
        m_text = m_decoder(bytes);
        if (m_first && m_text.startsWith(QChar(0xFEFF)))
            m_text.remove(0, 1);
        m_first = false;
        m_at = 0;
        return true;
    }

    void append(const QChar *text, qsizetype length)
    {
        if (m_field.size() + length > SheetLimits::MaxCellCharacters)
            m_guard.cell(m_record + 1, m_column + 1, m_field.size() + length);
        m_field.append(text, length);
    }

    void endField()
    {
        ++m_column;
        if (!m_field.trimmed().isEmpty()) {
            m_guard.cell(m_record + 1, m_column, m_field.size());
            while (m_cells.size() < m_column - 1)
                m_cells.append(SheetCell{});
            SheetCell cell;
            cell.text = std::move(m_field);
            m_cells.append(std::move(cell));
        }
        m_field = QString();
    }

    // Ends the record; true when it holds anything (then it is the row).
    bool finishRecord(SheetRow &row)
    {
        endField();
        ++m_record;
        m_column = 0;
        m_any = false;
        if (m_cells.isEmpty())
            return false;
        m_guard.row();
        row.number = m_record;
        row.cells = std::move(m_cells);
        m_cells = QList<SheetCell>();
        return true;
    }

    // Parses the decoded text from m_at; true when a row was completed.
    bool parse(SheetRow &row)
    {
        const QChar *p = m_text.constData();
        const qsizetype n = m_text.size();
        qsizetype i = m_at;
        while (i < n) {
            if (m_afterCr) {
                m_afterCr = false;
                if (p[i] == QLatin1Char('\n')) {
                    ++i;
                    continue;
                }
            }
            if (m_quoteSeen) {
                m_quoteSeen = false;
                if (p[i] == QLatin1Char('"')) {
                    append(p + i, 1);
                    ++i;
                    continue;
                }
                m_quoted = false;
            }
            qsizetype j = i;
            if (m_quoted) {
                while (j < n && p[j] != QLatin1Char('"')) {
                    // Line breaks inside quotes count, for the line an unpaired quote names.
                    m_line += p[j] == QLatin1Char('\r') || (p[j] == QLatin1Char('\n') && !m_quotedCr);
                    m_quotedCr = p[j] == QLatin1Char('\r');
                    ++j;
                }
                append(p + i, j - i);
                m_quoteSeen = j < n;
                i = j < n ? j + 1 : j;
                continue;
            }
            while (j < n && p[j] != m_separator && p[j] != QLatin1Char('"') && p[j] != QLatin1Char('\n')
                   && p[j] != QLatin1Char('\r'))
                ++j;
            if (j > i) {
                append(p + i, j - i);
                m_any = true;
            }
            if (j == n) {
                i = j;
                break;
            }
            const QChar c = p[j];
            i = j + 1;
            if (c == QLatin1Char('"')) {
                m_quoted = true;
                m_quotedCr = false;
                m_quoteLine = m_line + 1;
                m_any = true;
            } else if (c == m_separator) {
                endField();
                m_any = true;
            } else {
                ++m_line;
                m_afterCr = c == QLatin1Char('\r');
                if (finishRecord(row)) {
                    m_at = i;
                    return true;
                }
            }
        }
        m_at = i;
        return false;
    }

    QFile m_file;
    qint64 m_size = 0;
    QStringDecoder m_decoder;
    QChar m_separator = QLatin1Char(',');
    SheetLimitGuard m_guard;
    QString m_text; // the decoded chunk
    qsizetype m_at = 0;
    bool m_first = true;
    bool m_ended = false;
    // The parser's state between chunks.
    QString m_field;
    QList<SheetCell> m_cells;
    int m_column = 0; // fields ended in this record
    int m_record = 0; // records ended
    bool m_any = false;
    bool m_quoted = false;
    bool m_quoteSeen = false; // a " inside quotes, waiting for the next character
    bool m_afterCr = false;
    // Line breaks passed (inside quotes too), and the line the open quote is on.
    qint64 m_line = 0;
    qint64 m_quoteLine = 0;
    bool m_quotedCr = false;
};

} // namespace

std::unique_ptr<SheetRowReader> openCsv(const QString &path)
{
    return std::make_unique<CsvSheet>(path);
}

} // namespace SheetRowsReader
