#include "region_code_padding.h"

#include "core/keeping/history.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"
#include "platform/database.h"
#include "platform/table_name.h"
#include "platform/transaction.h"

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
    History::prepare(db);
    qint64 count = 0;
    // Each table is padded with its history line in one transaction, so the
    // tables padded before a failure stay padded and recorded.
    for (const QString &table : tables) {
        Transaction transaction(db);
        qint64 padded = 0;
        for (const QString &sql : statements(db.engine(), table))
            padded += db.execute(sql);
        if (padded > 0) {
            HistoryEntry line;
            line.kind = QStringLiteral("补齐");
            line.classTable = table;
            line.detail = QStringLiteral("区划代码补足12位：%1 处").arg(padded);
            History::write(db, {line});
        }
        transaction.commit();
        count += padded;
    }
    return count;
}

QString resultMessage(qint64 count)
{
    return QStringLiteral("执行结果，更新符合条件的单项数据共 %1 个。").arg(count);
}

} // namespace RegionCodePadding
