#include "table_name.h"

#include <QRegularExpression>

#include "platform/app_error.h"
#include "platform/sql_name.h"

QString TableName::sql(Database::Engine engine) const
{
    const QString &name = m_name;
    if (SqlName::isPlain(name))
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

bool tableExists(Database &db, const QString &name)
{
    return db.tableNames().contains(name, Qt::CaseInsensitive);
}
