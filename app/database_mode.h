#pragma once

#include <QStringList>

// Which database a run works on: the local file when the executable is named
// tavro2 (with or without .exe) or the first argument is -access, letter case
// ignored; the server named in config.ini otherwise.
namespace DatabaseMode {

bool isLocalFile(const QString &executableFileName, const QStringList &arguments);

} // namespace DatabaseMode
