#pragma once

#include <QByteArray>
#include <QString>

// Text files the program writes for other tools: GB18030, which gives GBK's
// bytes for GBK text and still carries every other character.
namespace TextFile {

QByteArray encodeGb18030(const QString &text);
QString decodeGb18030(const QByteArray &bytes);

// Writes the file anew with exactly the text's bytes, whole or not at all
// (AtomicFile: an old file or a symbolic link there is replaced, not written
// through). Throws FileError with the system's text on its second line.
void writeGb18030(const QString &path, const QString &text);

} // namespace TextFile
