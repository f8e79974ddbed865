#pragma once

#include <QStringList>

#include "cli/command_catalog.h"

// Where the local database file tavro.db is looked for: the current folder,
// or with the option -documents (as the menu entry starts the program) the
// user's documents folder, created when missing.
namespace StartFolder {

inline constexpr const char *kDocumentsOption = CommandCatalog::kDocumentsSwitch;

// arguments: without the program name.
QString workingDir(const QStringList &arguments, const QString &currentDir);

} // namespace StartFolder
