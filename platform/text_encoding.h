#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// Text files that people bring (config.ini, a class list as .csv) come from
// UTF-8 editors or from a Chinese Windows (GBK): the bytes are read as UTF-8
// when every one of them is valid UTF-8, else as GB18030 (GBK's superset).
namespace TextEncoding {

// The text of the whole file, a leading byte order mark dropped.
QString decodeGuessed(QByteArrayView bytes);

// The same guess for a file read a chunk at a time: every chunk is given to
// add(); a UTF-8 sequence cut at a chunk's end continues in the next one.
class Guess
{
public:
    void add(QByteArrayView chunk);
    // After the last chunk: whether the bytes were valid UTF-8 throughout
    // (a sequence cut off at the very end is not).
    bool isUtf8();
    // A decoder for the chunks in the guessed encoding.
    QStringDecoder decoder();

private:
    QStringDecoder m_utf8{QStringDecoder::Utf8};
    bool m_invalid = false;
    bool m_finished = false;
};

} // namespace TextEncoding
