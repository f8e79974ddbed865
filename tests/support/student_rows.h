#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>

#include "platform/database.h"
#include "platform/table_name.h"
#include "platform/sql_text.h"

// Inserts one student row: column names and values (a null QVariant stores NULL).
inline void insertStudent(Database &db, const QString &table, const QList<std::pair<QString, QVariant>> &values)
{
    QStringList columns;
    QStringList literals;
    for (const auto &[column, value] : values) {
        columns << column;
        literals << (value.isNull() ? QStringLiteral("null") : SqlText::quote(value.toString()));
    }
    db.execute(QStringLiteral("insert into %1 (%2) values (%3)")
                   .arg(TableName(table).sql(db), columns.join(QLatin1Char(',')), literals.join(QLatin1Char(','))));
}
