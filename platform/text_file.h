#pragma once

#include <QByteArray>
#include <QString>

// Text files the program writes for other tools: GB18030, which gives GBK's
// bytes for GBK text and still carries every other character.
namespace TextFile {

QByteArray encodeGb18030(const QString &text);
QString decodeGb18030(const QByteArray &bytes);

// Creates the file anew (replacing an old one) with exactly the text's bytes.
// Throws FileError with the system's text.
void writeGb18030(const QString &path, const QString &text);

} // namespace TextFile
