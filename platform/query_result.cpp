#include "query_result.h"

int QueryResult::columnIndex(const QString &name) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString QueryResult::text(int row, int column) const
{
    const QVariant &v = rows.at(row).at(column);
    return v.isNull() ? QString() : v.toString();
}

QString QueryResult::text(int row, const QString &column) const
{
    const int index = columnIndex(column);
    if (index < 0)
        return QString();
    return text(row, index);
}
