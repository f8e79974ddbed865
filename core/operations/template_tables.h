#pragma once

#include <QStringList>

#include "platform/database.h"

// The template tables a new local database starts with: Init2 (an
// automatically numbered id and the 47 data columns; class tables are copied
// from it) and Init1 (the national structure, read by the export).
namespace TemplateTables {

void create(Database &db);

// The two CREATE TABLE statements for an engine, Init2 first.
QStringList statements(Database::Engine engine);

} // namespace TemplateTables
