#include "sheet_rows.h"

#include <QFile>
#include <QStringDecoder>

#include "platform/app_error.h"

// Reads a .csv a chunk at a time: fields separated by commas, quoted with "
// (doubled inside), records ended by CR, LF or CRLF. UTF-8 when the whole file
// is valid UTF-8 (a byte order mark is dropped), else GBK (read as GB18030).

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
        m_decoder = isUtf8() ? QStringDecoder(QStringDecoder::Utf8) : QStringDecoder("GB18030");
        if (!m_file.seek(0))
            throw unreadable();
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

    // Whether every byte of the file is valid UTF-8, judged a chunk at a time.
    bool isUtf8()
    {
        QStringDecoder utf8(QStringDecoder::Utf8);
        for (QByteArray bytes = readChunk(); !bytes.isEmpty(); bytes = readChunk()) {
            const QString text = utf8(bytes); // decodes only when converted
            if (utf8.hasError())
                return false;
        }
        const QString end = utf8(QByteArrayView("\n")); // a sequence cut off at the end fails here
        return !utf8.hasError();
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
                while (j < n && p[j] != QLatin1Char('"'))
                    ++j;
                append(p + i, j - i);
                m_quoteSeen = j < n;
                i = j < n ? j + 1 : j;
                continue;
            }
            while (j < n && p[j] != QLatin1Char(',') && p[j] != QLatin1Char('"') && p[j] != QLatin1Char('\n')
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
                m_any = true;
            } else if (c == QLatin1Char(',')) {
                endField();
                m_any = true;
            } else {
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
};

} // namespace

std::unique_ptr<SheetRowReader> openCsv(const QString &path)
{
    return std::make_unique<CsvSheet>(path);
}

} // namespace SheetRowsReader
