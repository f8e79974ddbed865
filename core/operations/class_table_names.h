#pragma once

#include <QString>

// Which table names stand for class tables.
namespace ClassTableNames {

// Names the management window preselects: beginning with 高, 初 or 小.
bool isPreselected(const QString &table);

// Names the class choice can make: one of the twelve grades and a class
// number 01 to 30 (高一01 … 小六30). Only such a name may be made into a new
// class table outside the class setup.
bool isClassName(const QString &table);

} // namespace ClassTableNames
