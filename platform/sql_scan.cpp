#include "sql_scan.h"

namespace SqlScan {

QList<bool> quotedMask(const QString &sql)
{
    QList<bool> mask(sql.size(), false);
    QChar closing;
    bool inside = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!inside) {
            if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[')) {
                inside = true;
                closing = c == QLatin1Char('[') ? QLatin1Char(']') : c;
                mask[i] = true;
            }
            continue;
        }
        mask[i] = true;
        if (c == closing) {
            // A doubled quote inside a literal stands for one quote ("]]" inside brackets too).
            if (i + 1 < sql.size() && sql.at(i + 1) == closing) {
                mask[++i] = true;
                continue;
            }
            inside = false;
        }
    }
    return mask;
}

QList<int> depths(const QString &sql)
{
    const QList<bool> quoted = quotedMask(sql);
    QList<int> out(sql.size(), 0);
    int depth = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (!quoted[i] && sql.at(i) == QLatin1Char('('))
            out[i] = depth++;
        else if (!quoted[i] && sql.at(i) == QLatin1Char(')'))
            out[i] = --depth;
        else
            out[i] = depth;
    }
    return out;
}

static bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

qsizetype lastTopLevelKeyword(const QString &sql, const QString &keyword)
{
    const QList<bool> quoted = quotedMask(sql);
    const QList<int> depth = depths(sql);
    qsizetype from = sql.size();
    while (from > 0) {
        const qsizetype at = sql.lastIndexOf(keyword, from - 1, Qt::CaseInsensitive);
        if (at < 0)
            return -1;
        const qsizetype end = at + keyword.size();
        const bool wordStart = at == 0 || !isWordChar(sql.at(at - 1));
        const bool wordEnd = end >= sql.size() || !isWordChar(sql.at(end));
        if (wordStart && wordEnd && !quoted[at] && depth[at] == 0)
            return at;
        from = at;
    }
    return -1;
}

QList<QString> splitTopLevel(const QString &text, QChar separator)
{
    const QList<bool> quoted = quotedMask(text);
    const QList<int> depth = depths(text);
    QList<QString> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!quoted[i] && depth[i] == 0 && text.at(i) == separator) {
            parts.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.mid(start));
    return parts;
}

} // namespace SqlScan
