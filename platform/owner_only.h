#pragma once

#include <QString>

// The pupils' data is readable by its owner only: the database and its logs,
// backups, exports, reports and temporaries are made mode 0600 (files) and
// 0700 (folders) whatever the umask of the session that started the program.
// What exists already keeps its mode: a school that opened a folder to a
// colleague on purpose keeps it so.
namespace OwnerOnly {

inline constexpr unsigned kFileMode = 0600;
inline constexpr unsigned kFolderMode = 0700;

// Sets the process's umask to 077, so that whatever this process and the
// programs it starts (LibreOffice rendering a preview) create is the owner's
// only. Called first thing at start-up.
void restrictProcess();

// Makes the folder and any missing parent, each new one 0700; an existing
// folder keeps its mode. False when the folder does not exist afterwards.
bool makeFolder(const QString &path);

// Sets a file this program has just created to 0600 (SQLite creates its files
// by the umask). False when the mode could not be set.
bool restrictNewFile(const QString &path);

} // namespace OwnerOnly
