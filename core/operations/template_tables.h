#pragma once

#include <QStringList>

#include "platform/database.h"

class TableName;

// The template tables a new local database starts with: Init2 (an
// automatically numbered id and the 47 data columns; class tables are copied
// from it) and Init1 (the national structure, read by the export).
namespace TemplateTables {

void create(Database &db);

// A class table as the class setup makes it: an empty copy of Init2 that
// numbers its own rows. Fails with the engine's error when it exists.
void createClassTable(Database &db, const TableName &table);

// The class table, created from Init2 when the catalogue lacks it. Another
// workstation may create it between the look-up and the creation; the table
// is then used as it is. Throws the database's error when it still does not
// exist.
void ensureClassTable(Database &db, const QString &classTable);

// The two CREATE TABLE statements for an engine, Init2 first.
QStringList statements(Database::Engine engine);

} // namespace TemplateTables
