#pragma once

#include <QString>

// Which table names stand for class tables.
namespace ClassTableNames {

// Names the management window preselects: beginning with 高, 初 or 小.
bool isPreselected(const QString &table);

// A grade label (高一..高三, 初一..初三, 小一..小六) followed by a class number 01 to 30.
bool isClassTable(const QString &table);

} // namespace ClassTableNames
