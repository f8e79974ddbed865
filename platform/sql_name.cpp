#include "sql_name.h"

#include <QRegularExpression>

#include "platform/app_error.h"
#include "platform/database.h"

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

QString quoted(Database::Engine engine, const QString &name)
{
    if (isPlain(name))
        return name;
    if (name.isEmpty())
        throw AppError(QStringLiteral("表名为空，不能用于数据库语句。"));
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            throw AppError(QStringLiteral("表名“%1”含有控制字符，不能用于数据库语句。请在数据库中给这个表改名。")
                               .arg(QString(name).replace(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")),
                                                          QStringLiteral("?"))));
    }
    if (engine == Database::Engine::SqlServer)
        return QLatin1Char('[') + QString(name).replace(QLatin1Char(']'), QLatin1String("]]")) + QLatin1Char(']');
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString quoted(const Database &db, const QString &name)
{
    return quoted(db.engine(), name);
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
