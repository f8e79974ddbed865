#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QString>

#include "xlsx/xlsx_zip_reader.h"

// The XML of one package part (a worksheet, the shared strings) read token by
// token while the part is unpacked in chunks: memory holds a chunk and the
// token being read, never the part. A small tokenizer of its own rather than
// a general XML reader, because a school's sheet of 20,000 rows has to be read
// in a fraction of a second: it knows elements, attributes, text with the five
// named entities and character references, CDATA, comments and processing
// instructions. A DOCTYPE (no spreadsheet part has one), an unknown entity, a
// token that grows past a few megabytes or a part that ends inside an element
// is refused. Element and attribute names are local names (a prefix such as
// "x:" is dropped). Throws SpreadsheetError. Used from one thread at a time.
class XlsxXmlPull
{
public:
    enum class Token { StartElement, EndElement, Text, End };

    XlsxXmlPull(std::unique_ptr<XlsxZipReader::Stream> stream, QString fileName, std::string part);

    // The next token; End at the end of the part. An empty element <a/> gives
    // its StartElement and then its EndElement.
    Token next();
    // The element's local name (StartElement, EndElement); valid until next().
    std::string_view name() const { return m_name; }
    // A StartElement's attribute by local name, as written (entities are not
    // replaced: the attributes read here are numbers, cell names and types);
    // empty when absent. Valid until next().
    std::string_view attribute(std::string_view local) const;
    // Appends a Text token's characters, entities replaced, as UTF-8.
    void appendText(std::string &out) const;
    // The share of the part read so far, in thousandths.
    int permilleRead() const;

    [[noreturn]] void fail(const QString &why) const;

private:
    // Makes at least `bytes` bytes from m_at available, reading on; false when the part ends first.
    bool need(std::size_t bytes);
    // The position of `what` at or after m_at + from, reading on as needed; npos when the part ends first.
    std::size_t find(std::string_view what, std::size_t from);
    void parseStartTag(std::size_t end);

    std::unique_ptr<XlsxZipReader::Stream> m_stream;
    QString m_fileName;
    std::string m_part;
    std::string m_buffer;
    std::size_t m_at = 0; // the first byte not yet read as a token
    bool m_ended = false;
    int m_depth = 0;
    bool m_pendingEnd = false; // the EndElement of an empty element comes next
    std::string_view m_name;
    std::string_view m_text; // the raw text of a Text token
    bool m_cdata = false;
    std::vector<std::pair<std::string_view, std::string_view>> m_attributes;
};
