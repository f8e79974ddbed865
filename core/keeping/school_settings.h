#pragma once

#include <QString>

#include "core/region/region_tables.h"

class Database;

// The school's settings kept in the database, so every workstation of a server
// shares them. Used from the user-interface thread only.
namespace SchoolSettings {

// The stored value of a setting; empty when it was never set.
QString value(Database &db, const QString &name);
// Stores the value (an empty one removes the setting). Throws DatabaseError.
void setValue(Database &db, const QString &name, const QString &value);

// For a setting written together with other changes: prepare() makes the
// table (outside any transaction), store() writes in the caller's transaction.
void prepare(Database &db);
void store(Database &db, const QString &name, const QString &value);

// The province, city and county a new record starts with: 广东省 / 佛山市
// (no county) until the school sets its own.
RegionNames builtInRegion();
RegionNames defaultRegion(Database &db);
// Stores the school's default region; an empty province returns to the built-in one.
void setDefaultRegion(Database &db, const RegionNames &region);

} // namespace SchoolSettings
