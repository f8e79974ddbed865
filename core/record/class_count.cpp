#include "class_count.h"

#include "platform/database.h"
#include "platform/sql_name.h"

namespace ClassCount {

qint64 count(Database &db, const QString &classTable)
{
    const QueryResult result = db.query(QStringLiteral("select count(*) from ") + SqlName::quoted(db, classTable));
    return result.isEmpty() ? 0 : result.text(0, 0).toLongLong();
}

QString text(qint64 count)
{
    return QStringLiteral("本班已录入 %1 人").arg(count);
}

} // namespace ClassCount
