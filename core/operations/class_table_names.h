#pragma once

#include <QString>

// Which table names stand for class tables.
namespace ClassTableNames {

// Names the management window preselects: beginning with 高, 初 or 小.
bool isPreselected(const QString &table);

} // namespace ClassTableNames
