#include "class_table_names.h"

#include <QStringList>

namespace ClassTableNames {

bool isPreselected(const QString &table)
{
    return table.startsWith(QStringLiteral("高")) || table.startsWith(QStringLiteral("初"))
        || table.startsWith(QStringLiteral("小"));
}

bool isClassTable(const QString &table)
{
    static const QStringList grades = QStringLiteral("高一 高二 高三 初一 初二 初三 小一 小二 小三 小四 小五 小六")
                                          .split(QLatin1Char(' '));
    if (table.size() != 4 || !grades.contains(table.left(2)))
        return false;
    bool ok = false;
    const int number = table.right(2).toInt(&ok);
    return ok && table.at(2).isDigit() && table.at(3).isDigit() && number >= 1 && number <= 30;
}

} // namespace ClassTableNames
