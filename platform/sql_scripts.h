#pragma once

#include <QString>

#include "platform/database.h"

// The SQL scripts the program carries as resources, each in the words of the
// engine it is written for. Callable from any thread.
namespace SqlScripts {

// The script that creates the ID check function fn_ValidateIDC on a server
// (StoredProc1 for SQL Server, its counterpart for PostgreSQL); empty for the
// local file, which registers the function natively on every connection.
// Throws FileError when the resource is missing from the program.
QString idCheckFunction(Database::Engine engine);

} // namespace SqlScripts
