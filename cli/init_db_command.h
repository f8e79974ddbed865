#pragma once

#include <QString>

class QTextStream;

// "tavro init-db": prepares the server database named in config.ini (beside
// the executable) for the program by creating the template tables Init2 and
// Init1. A database that already holds either of them is left untouched.
namespace InitDbCommand {

// Returns the exit code: 0 done, 1 refused or failed. Reports on out and err.
int run(const QString &configIniPath, QTextStream &out, QTextStream &err);

} // namespace InitDbCommand
