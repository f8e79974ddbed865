#include "class_table_names.h"

namespace ClassTableNames {

bool isPreselected(const QString &table)
{
    return table.startsWith(QStringLiteral("高")) || table.startsWith(QStringLiteral("初"))
        || table.startsWith(QStringLiteral("小"));
}

} // namespace ClassTableNames
