#include "text_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/app_error.h"

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
    const QByteArray bytes = encodeGb18030(text);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw FileError(file.errorString() + QStringLiteral(": ") + path);
    if (file.write(bytes) != bytes.size())
        throw FileError(file.errorString() + QStringLiteral(": ") + path);
    if (!file.flush())
        throw FileError(file.errorString() + QStringLiteral(": ") + path);
}

} // namespace TextFile
