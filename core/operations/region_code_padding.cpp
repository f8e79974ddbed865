#include "region_code_padding.h"

#include "core/record/record_schema.h"
#include "core/record/stored_value.h"
#include "platform/database.h"
#include "platform/table_name.h"

namespace RegionCodePadding {

const QStringList &columns()
{
    static const QStringList names = [] {
        QStringList out;
        for (const RecordSchema::Column &column : RecordSchema::columns()) {
            if (RecordSchema::isRegionCode(column))
                out << QString::fromUtf16(column.name);
        }
        return out;
    }();
    return names;
}

QStringList statements(Database::Engine engine, const QString &table)
{
    // LEN does not count trailing blanks, so the zeros go after the trimmed
    // code; appending them to "440606 " would store a 13-character code.
    static const QString format = QStringLiteral("update %1 set %2 = rtrim(%2) + '%3' where len(%2) = %4");
    const QString name = TableName(table).sql(engine);
    QStringList out;
    for (const QString &column : columns()) {
        for (const int length : {6, 9}) {
            const QString zeros(StoredValue::kRegionCodeLength - length, QLatin1Char('0'));
            out << format.arg(name, column, zeros, QString::number(length));
        }
    }
    return out;
}

qint64 padRegionCodes(Database &db, const QStringList &tables)
{
    qint64 count = 0;
    for (const QString &table : tables) {
        for (const QString &sql : statements(db.engine(), table))
            count += db.execute(sql);
    }
    return count;
}

QString resultMessage(qint64 count)
{
    return QStringLiteral("执行结果，更新符合条件的单项数据共 %1 个。").arg(count);
}

} // namespace RegionCodePadding
