#include "sql_text.h"

namespace SqlText {

QString escape(const QString &value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QString quote(const QString &value)
{
    return QLatin1Char('\'') + escape(value) + QLatin1Char('\'');
}

} // namespace SqlText
