#include "record_item.h"

namespace RecordItem {

QString format(qint64 id, const QString &name)
{
    const QString digits = QString::number(id);
    const QString field = digits.size() < 5 ? digits.leftJustified(5, QLatin1Char(' ')) : digits + QLatin1Char(' ');
    return field + name;
}

QString idText(const QString &item)
{
    // format() always writes a blank after the id; a text without one holds no id.
    const qsizetype blank = item.indexOf(QLatin1Char(' '));
    return blank < 0 ? QString() : item.left(blank);
}

} // namespace RecordItem
