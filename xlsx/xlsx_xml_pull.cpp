#include "xlsx_xml_pull.h"

#include "platform/app_error.h"

namespace {

constexpr std::size_t ChunkBytes = 256 * 1024;
// A cell of 32,767 characters written as character references is under 300 KB.
constexpr qint64 MaxTokenBytes = 8 * 1024 * 1024;

} // namespace

XlsxXmlPull::XlsxXmlPull(std::unique_ptr<XlsxZipReader::Stream> stream, QString fileName, std::string part)
    : m_stream(std::move(stream)), m_fileName(std::move(fileName)), m_part(std::move(part))
{
}

void XlsxXmlPull::fail(const QString &why) const
{
    throw SpreadsheetError(QStringLiteral("无法读取电子表格文件 %1：%2 已损坏，请用 Excel 或 WPS 打开后另存一份再导入。\n%3")
                               .arg(m_fileName, QString::fromStdString(m_part), why));
}

int XlsxXmlPull::permilleRead() const
{
    return m_stream->total() == 0 ? 1000 : int(m_stream->done() * 1000 / m_stream->total());
}

QXmlStreamReader::TokenType XlsxXmlPull::next()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            if (m_ended) {
                if (m_rootClosed)
                    return QXmlStreamReader::EndDocument;
                fail(QStringLiteral("XML 不完整（第 %1 行）").arg(m_xml.lineNumber()));
            }
            QByteArray chunk(qsizetype(ChunkBytes), Qt::Uninitialized);
            const std::size_t got = m_stream->read(chunk.data(), ChunkBytes);
            if (got == 0) {
                m_ended = true;
                continue;
            }
            m_pending += qint64(got);
            if (m_pending > MaxTokenBytes)
                fail(QStringLiteral("第 %1 行附近有一段超过 %2 MB 的内容").arg(m_xml.lineNumber()).arg(MaxTokenBytes >> 20));
            chunk.truncate(qsizetype(got));
            m_xml.addData(chunk);
            continue;
        }
        if (m_xml.hasError())
            fail(QStringLiteral("%1（第 %2 行）").arg(m_xml.errorString()).arg(m_xml.lineNumber()));
        m_pending = 0;
        if (token == QXmlStreamReader::DTD)
            fail(QStringLiteral("含有文档类型定义（DTD）"));
        if (token == QXmlStreamReader::StartElement)
            ++m_depth;
        else if (token == QXmlStreamReader::EndElement && --m_depth == 0)
            m_rootClosed = true;
        return token;
    }
}
