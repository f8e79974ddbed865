#include "sql_name.h"


namespace SqlName {

bool isPlain(const QString &name)
{
    if (name.isEmpty() || name.front().isDigit())
        return false;
    for (const QChar c : name) {
        // Digits only ASCII: other digits are no identifier characters everywhere.
        const bool ok = c.isLetter() || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_');
        if (!ok)
            return false;
    }
    return true;
}

QString unquoted(const QString &text)
{
    if (text.size() >= 2 && text.front() == QLatin1Char('"') && text.back() == QLatin1Char('"'))
        return text.mid(1, text.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    if (text.size() >= 2 && text.front() == QLatin1Char('[') && text.back() == QLatin1Char(']'))
        return text.mid(1, text.size() - 2).replace(QLatin1String("]]"), QLatin1String("]"));
    return text;
}

} // namespace SqlName
