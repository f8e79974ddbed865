#pragma once

#include <QHash>
#include <QString>

// Reads one section of an INI file the way the Windows profile functions do:
// section and key names without regard to case, the value is the rest of the
// line after the first '=' with surrounding blanks (and one pair of enclosing
// double quotes) removed. Commas, semicolons and '#' inside a value are part
// of it, so a password such as "a,b;c" survives. A line starting with ';' is a
// comment. The file is UTF-8, or GB18030 when it is not valid UTF-8 (a file
// saved by a Chinese Windows editor). A missing file reads as no keys.
namespace IniFile {

// Keys in lower case mapped to their values; the first occurrence of a key wins.
QHash<QString, QString> readSection(const QString &path, const QString &section);

} // namespace IniFile
