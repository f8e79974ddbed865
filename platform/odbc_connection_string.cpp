#include "odbc_connection_string.h"

#include "platform/sql_database.h"

namespace OdbcConnectionString {

QString value(const QString &text)
{
    // "host,port" stays as SQL Server's tools write it; these would end or
    // split the value.
    static const QString special = QStringLiteral(";{}=");
    bool plain = !text.isEmpty() && !text.front().isSpace() && !text.back().isSpace();
    for (const QChar c : text)
        plain = plain && !special.contains(c);
    if (plain)
        return text;
    return QLatin1Char('{') + QString(text).replace(QLatin1Char('}'), QLatin1String("}}")) + QLatin1Char('}');
}

QString build(const ServerSettings &s)
{
    const QString driver = s.driver.isEmpty() ? QStringLiteral("FreeTDS") : s.driver;
    // The driver name has always been braced; a plain one stays as it was.
    const QString braced = value(driver).startsWith(QLatin1Char('{')) ? value(driver) : QStringLiteral("{%1}").arg(driver);
    return QStringLiteral("DRIVER=%1;SERVER=%2;DATABASE=%3;UID=%4;PWD=%5")
        .arg(braced, value(s.server), value(s.database), value(s.user), value(s.password));
}

} // namespace OdbcConnectionString
