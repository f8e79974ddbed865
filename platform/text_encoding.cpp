#include "text_encoding.h"

namespace TextEncoding {

void Guess::add(QByteArrayView chunk)
{
    if (m_invalid)
        return;
    const QString text = m_utf8(chunk); // decodes only when converted
    m_invalid = m_utf8.hasError();
}

bool Guess::isUtf8()
{
    if (!m_finished && !m_invalid) {
        const QString end = m_utf8(QByteArrayView("\n")); // a sequence cut off at the end fails here
        m_invalid = m_utf8.hasError();
    }
    m_finished = true;
    return !m_invalid;
}

QStringDecoder Guess::decoder()
{
    return isUtf8() ? QStringDecoder(QStringDecoder::Utf8) : QStringDecoder("GB18030");
}

QString decodeGuessed(QByteArrayView bytes)
{
    Guess guess;
    guess.add(bytes);
    QStringDecoder decoder = guess.decoder();
    QString text = decoder(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace TextEncoding
