#pragma once

#include <QString>

struct ServerSettings;

// The ODBC connection string for SQL Server from config.ini's values.
namespace OdbcConnectionString {

// One attribute value as ODBC takes it: as written when it holds none of
// ";{}=" and no blank at either end, otherwise in braces with every "}" doubled, so that a
// password with ";", "{", "}" or "=" arrives whole and adds no attribute.
QString value(const QString &text);

// DRIVER=...;SERVER=...;DATABASE=...;UID=...;PWD=... (driver FreeTDS when none is named).
QString build(const ServerSettings &settings);

} // namespace OdbcConnectionString
