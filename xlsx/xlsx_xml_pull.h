#pragma once

#include <memory>
#include <string>

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include "xlsx/xlsx_zip_reader.h"

// The XML of one package part read token by token while the part is unpacked
// in chunks: memory holds a chunk and the token being read, never the part.
// A DTD (no spreadsheet part has one) and a single token that grows past a few
// megabytes (a text or tag no spreadsheet program writes) are refused, so a
// hostile part cannot make the reader buffer without end. Element names are
// local names (a prefix such as "x:" does not matter). Throws SpreadsheetError.
// Used from one thread at a time.
class XlsxXmlPull
{
public:
    XlsxXmlPull(std::unique_ptr<XlsxZipReader::Stream> stream, QString fileName, std::string part);

    // The next token; EndDocument at the end of the part.
    QXmlStreamReader::TokenType next();
    const QXmlStreamReader &xml() const { return m_xml; }
    // The share of the part read so far, in thousandths.
    int permilleRead() const;

private:
    [[noreturn]] void fail(const QString &why) const;

    std::unique_ptr<XlsxZipReader::Stream> m_stream;
    QString m_fileName;
    std::string m_part;
    QXmlStreamReader m_xml;
    qint64 m_pending = 0; // bytes given to the parser since it last completed a token
    bool m_ended = false;
    int m_depth = 0;
    bool m_rootClosed = false;
};
