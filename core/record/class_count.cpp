#include "class_count.h"

#include "platform/database.h"
#include "platform/table_name.h"

namespace ClassCount {

qint64 count(Database &db, const QString &classTable)
{
    const QueryResult result = db.query(QStringLiteral("select count(*) from ") + TableName(classTable).sql(db));
    return result.isEmpty() ? 0 : result.text(0, 0).toLongLong();
}

qint64 pupilsIn(Database &db, const QStringList &classTables)
{
    qint64 total = 0;
    for (const QString &table : classTables)
        total += count(db, table);
    return total;
}

QString text(qint64 count, qint64 incomplete)
{
    return QStringLiteral("本班已录入 %1 人，待补全 %2 人").arg(count).arg(incomplete);
}

} // namespace ClassCount
