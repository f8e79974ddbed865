#include "tsql_rewrites.h"

#include "platform/sql_scan.h"

namespace TsqlRewrites {

namespace {
constexpr auto kOptions = QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;
// A table name: "double quoted" or [bracketed] (closing quote doubled inside), or a plain word.
const QString kName = QStringLiteral(R"(("(?:[^"]|"")*"|\[(?:[^\]]|\]\])*\]|\S+?))");
}

QString replaceUnquoted(const QString &sql, const QRegularExpression &pattern, const QString &with)
{
    const QList<bool> quoted = SqlScan::quotedMask(sql);
    QString out;
    qsizetype last = 0;
    for (auto it = pattern.globalMatch(sql); it.hasNext();) {
        const auto m = it.next();
        if (quoted[m.capturedStart()])
            continue;
        out += sql.mid(last, m.capturedStart() - last);
        out += with;
        last = m.capturedEnd();
    }
    out += sql.mid(last);
    return out;
}

QString textConcatenation(const QString &sql)
{
    const QList<bool> quoted = SqlScan::quotedMask(sql);
    QString out;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (quoted[i] || sql.at(i) != QLatin1Char('+')) {
            out += sql.at(i);
            continue;
        }
        qsizetype l = i - 1;
        while (l >= 0 && sql.at(l).isSpace())
            --l;
        qsizetype r = i + 1;
        while (r < sql.size() && sql.at(r).isSpace())
            ++r;
        const bool leftLiteral = l >= 0 && quoted[l] && sql.at(l) == QLatin1Char('\'');
        const bool rightLiteral = r < sql.size() && quoted[r] && sql.at(r) == QLatin1Char('\'');
        out += (leftLiteral || rightLiteral) ? QStringLiteral("||") : QStringLiteral("+");
    }
    return out;
}

std::optional<QString> dropTableIfExists(const QString &sql)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*if\s+exists\s*\(\s*select\s+\*\s+from\s+sysobjects\s+where\s+name\s*=\s*'(?:[^']|'')*'\s*\)\s*drop\s+table\s+)")
            + kName + QStringLiteral(R"(\s*;?\s*$)"),
        kOptions);
    const auto m = pattern.match(sql);
    if (!m.hasMatch())
        return std::nullopt;
    return QStringLiteral("drop table if exists ") + m.captured(1);
}

std::optional<CloneEmpty> cloneEmpty(const QString &sql)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*select\s+\*\s+into\s+)") + kName + QStringLiteral(R"(\s+from\s+)") + kName
            + QStringLiteral(R"(\s+where\s+1\s*<>\s*1\s*;?\s*$)"),
        kOptions);
    const auto m = pattern.match(sql);
    if (!m.hasMatch())
        return std::nullopt;
    return CloneEmpty{m.captured(1), m.captured(2)};
}

OrderByPosition findOrderBy(const QString &sql)
{
    static const QRegularExpression orderBy(QStringLiteral(R"(order\s+by\s)"), kOptions);
    const qsizetype by = SqlScan::lastTopLevelKeyword(sql, QStringLiteral("by"));
    const qsizetype order = SqlScan::lastTopLevelKeyword(sql, QStringLiteral("order"));
    if (order < 0 || by < order)
        return {};
    const auto m = orderBy.match(sql, order);
    if (!m.hasMatch() || m.capturedStart() != order)
        return {};
    return {order, m.capturedEnd()};
}

} // namespace TsqlRewrites
