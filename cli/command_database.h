#pragma once

#include <memory>

#include "platform/database.h"

struct CommandOptions;

// The database a command works on: the local file at --db, or without --db
// the server of config.ini, as the window opens it. A read-only command opens
// the file read-only, so it works on a read-only file or folder and writes
// nothing beside it. Throws AppError with a sentence saying what to do and
// the engine's text on a second line.
std::unique_ptr<Database> openCommandDatabase(const CommandOptions &options, const QString &configFile, bool readOnly);
