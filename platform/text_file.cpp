#include "text_file.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/app_error.h"
#include "platform/atomic_file.h"

namespace TextFile {

QByteArray encodeGb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    if (!encoder.isValid())
        throw FileError(QStringLiteral("GB18030 encoding is not available"));
    QByteArray bytes = encoder.encode(text);
    return bytes;
}

QString decodeGb18030(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid())
        throw FileError(QStringLiteral("GB18030 encoding is not available"));
    QString text = decoder.decode(bytes);
    return text;
}

void writeGb18030(const QString &path, const QString &text)
{
    AtomicFile::write(path, encodeGb18030(text));
}

} // namespace TextFile
