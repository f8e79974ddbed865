#include "class_table_names.h"

#include "core/record/entry_year.h"

namespace ClassTableNames {

bool isPreselected(const QString &table)
{
    return table.startsWith(QStringLiteral("高")) || table.startsWith(QStringLiteral("初"))
        || table.startsWith(QStringLiteral("小"));
}

bool isClassName(const QString &table)
{
    if (table.size() != 4 || !EntryYear::gradeLabels().contains(table.left(2)))
        return false;
    bool digits = false;
    const int number = table.right(2).toInt(&digits);
    return digits && table.at(2).isDigit() && table.at(3).isDigit() && number >= 1 && number <= 30;
}

} // namespace ClassTableNames
