#include "xlsx_xml_pull.h"

#include <cstring>

#include "platform/app_error.h"

namespace {

constexpr std::size_t ChunkBytes = 256 * 1024;
// A cell of 32,767 characters written as character references is under 300 KB.
constexpr std::size_t MaxTokenBytes = 8 * 1024 * 1024;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view localPart(std::string_view name)
{
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

XlsxXmlPull::XlsxXmlPull(std::unique_ptr<XlsxZipReader::Stream> stream, QString fileName, std::string part)
    : m_stream(std::move(stream)), m_fileName(std::move(fileName)), m_part(std::move(part))
{
    if (need(3) && std::memcmp(m_buffer.data(), "\xEF\xBB\xBF", 3) == 0)
        m_at = 3;
    else if (need(2) && (std::memcmp(m_buffer.data(), "\xFF\xFE", 2) == 0 || std::memcmp(m_buffer.data(), "\xFE\xFF", 2) == 0))
        fail(QStringLiteral("是 UTF-16 编码的，无法读取"));
}

void XlsxXmlPull::fail(const QString &why) const
{
    throw SpreadsheetError(QStringLiteral("无法读取电子表格文件 %1：%2 已损坏（%3）。请用 Excel 或 WPS 打开后另存一份再导入。")
                               .arg(m_fileName, QString::fromStdString(m_part), why));
}

int XlsxXmlPull::permilleRead() const
{
    return m_stream->total() == 0 ? 1000 : int(m_stream->done() * 1000 / m_stream->total());
}

bool XlsxXmlPull::need(std::size_t bytes)
{
    while (m_buffer.size() - m_at < bytes) {
        if (m_ended)
            return false;
        if (m_buffer.size() - m_at > MaxTokenBytes)
            fail(QStringLiteral("有一段超过 %1 MB 的内容").arg(MaxTokenBytes >> 20));
        m_buffer.erase(0, m_at);
        m_at = 0;
        const std::size_t had = m_buffer.size();
        m_buffer.resize(had + ChunkBytes);
        const std::size_t got = m_stream->read(m_buffer.data() + had, ChunkBytes);
        m_buffer.resize(had + got);
        m_ended = got == 0;
    }
    return true;
}

std::size_t XlsxXmlPull::find(std::string_view what, std::size_t from)
{
    for (;;) {
        const std::size_t at = m_buffer.find(what, m_at + from);
        if (at != std::string::npos)
            return at - m_at;
        const std::size_t scanned = m_buffer.size() - m_at;
        if (!need(scanned + 1))
            return std::string::npos;
        from = scanned >= what.size() ? scanned - what.size() + 1 : 0;
    }
}

std::string_view XlsxXmlPull::attribute(std::string_view local) const
{
    for (const auto &[name, value] : m_attributes) {
        if (name == local)
            return value;
    }
    return {};
}

void XlsxXmlPull::parseStartTag(std::size_t end)
{
    const char *p = m_buffer.data() + m_at + 1;
    const char *stop = m_buffer.data() + m_at + end;
    if (stop > p && stop[-1] == '/')
        --stop;
    const char *nameEnd = p;
    while (nameEnd < stop && !isSpace(*nameEnd))
        ++nameEnd;
    if (nameEnd == p)
        fail(QStringLiteral("有一个没有名称的元素"));
    m_name = localPart(std::string_view(p, std::size_t(nameEnd - p)));
    m_attributes.clear();
    for (p = nameEnd;;) {
        while (p < stop && isSpace(*p))
            ++p;
        if (p == stop)
            return;
        const char *attributeName = p;
        while (p < stop && *p != '=' && !isSpace(*p))
            ++p;
        const std::string_view name(attributeName, std::size_t(p - attributeName));
        while (p < stop && isSpace(*p))
            ++p;
        if (p == stop || *p != '=')
            fail(QStringLiteral("属性 %1 没有值").arg(QString::fromUtf8(name.data(), qsizetype(name.size()))));
        ++p;
        while (p < stop && isSpace(*p))
            ++p;
        if (p == stop || (*p != '"' && *p != '\''))
            fail(QStringLiteral("属性值没有引号"));
        const char quote = *p++;
        const char *value = p;
        while (p < stop && *p != quote)
            ++p;
        if (p == stop)
            fail(QStringLiteral("属性值没有结束的引号"));
        m_attributes.emplace_back(localPart(name), std::string_view(value, std::size_t(p - value)));
        ++p;
    }
}

XlsxXmlPull::Token XlsxXmlPull::next()
{
    if (m_pendingEnd) {
        m_pendingEnd = false;
        --m_depth;
        return Token::EndElement;
    }
    for (;;) {
        if (!need(1)) {
            if (m_depth != 0)
                fail(QStringLiteral("XML 不完整"));
            return Token::End;
        }
        if (m_buffer[m_at] != '<') {
            std::size_t end = find("<", 0);
            if (end == std::string::npos)
                end = m_buffer.size() - m_at;
            m_text = std::string_view(m_buffer.data() + m_at, end);
            m_cdata = false;
            m_at += end;
            return Token::Text;
        }
        if (!need(2))
            fail(QStringLiteral("XML 不完整"));
        const char kind = m_buffer[m_at + 1];
        if (kind == '/') {
            const std::size_t end = find(">", 2);
            if (end == std::string::npos)
                fail(QStringLiteral("XML 不完整"));
            std::string_view name(m_buffer.data() + m_at + 2, end - 2);
            while (!name.empty() && isSpace(name.back()))
                name.remove_suffix(1);
            m_name = localPart(name);
            m_at += end + 1;
            if (--m_depth < 0)
                fail(QStringLiteral("有多余的结束标记"));
            return Token::EndElement;
        }
        if (kind == '?') {
            const std::size_t end = find("?>", 2);
            if (end == std::string::npos)
                fail(QStringLiteral("XML 不完整"));
            m_at += end + 2;
            continue;
        }
        if (kind == '!') {
            if (need(4) && m_buffer.compare(m_at, 4, "<!--") == 0) {
                const std::size_t end = find("-->", 4);
                if (end == std::string::npos)
                    fail(QStringLiteral("XML 不完整"));
                m_at += end + 3;
                continue;
            }
            if (need(9) && m_buffer.compare(m_at, 9, "<![CDATA[") == 0) {
                const std::size_t end = find("]]>", 9);
                if (end == std::string::npos)
                    fail(QStringLiteral("XML 不完整"));
                m_text = std::string_view(m_buffer.data() + m_at + 9, end - 9);
                m_cdata = true;
                m_at += end + 3;
                return Token::Text;
            }
            fail(QStringLiteral("含有文档类型定义（DOCTYPE）"));
        }
        // A start tag: up to the first ">" outside quotes.
        std::size_t end = 1;
        for (char quote = 0;; ++end) {
            if (m_at + end >= m_buffer.size() && !need(end + 1))
                fail(QStringLiteral("XML 不完整"));
            const char c = m_buffer[m_at + end];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        parseStartTag(end);
        m_pendingEnd = m_buffer[m_at + end - 1] == '/';
        ++m_depth;
        m_at += end + 1;
        return Token::StartElement;
    }
}

void XlsxXmlPull::appendText(std::string &out) const
{
    if (m_cdata) {
        out += m_text;
        return;
    }
    std::string_view text = m_text;
    for (;;) {
        const std::size_t amp = text.find('&');
        out += text.substr(0, amp);
        if (amp == std::string_view::npos)
            return;
        text.remove_prefix(amp + 1);
        const std::size_t semicolon = text.find(';');
        if (semicolon == std::string_view::npos || semicolon > 10)
            fail(QStringLiteral("有一个不完整的实体引用"));
        const std::string_view entity = text.substr(0, semicolon);
        text.remove_prefix(semicolon + 1);
        if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "amp")
            out += '&';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            char32_t code = 0;
            const std::string_view digits = entity.substr(hex ? 2 : 1);
            for (char c : digits) {
                const int d = c >= '0' && c <= '9' ? c - '0'
                              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                            : -1;
                if (d < 0)
                    fail(QStringLiteral("有一个错误的字符引用"));
                code = code * (hex ? 16 : 10) + char32_t(d);
            }
            if (digits.empty() || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                fail(QStringLiteral("有一个错误的字符引用"));
            appendUtf8(out, code);
        } else {
            fail(QStringLiteral("有一个未知的实体引用 &%1;").arg(QString::fromUtf8(entity.data(), qsizetype(entity.size()))));
        }
    }
}
