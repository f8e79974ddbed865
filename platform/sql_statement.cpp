#include "sql_statement.h"

#include "platform/sql_scan.h"
#include "platform/sql_text.h"

QString SqlStatement::logText() const
{
    if (values.isEmpty())
        return text;
    const QList<bool> quoted = SqlScan::quotedMask(text);
    QString out;
    out.reserve(text.size() + values.size() * 8);
    qsizetype next = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('?') && !quoted.at(i) && next < values.size()) {
            const QVariant &value = values.at(next++);
            out += value.isNull() ? QStringLiteral("NULL") : SqlText::quote(value.toString());
        } else {
            out += text.at(i);
        }
    }
    return out;
}
