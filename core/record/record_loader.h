#pragma once

#include <optional>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/record/stored_value.h"
#include "platform/table_name.h"

class Database;

// Reads the records of the current class table for edit mode: the list of
// students and one record's stored values. Database failures propagate as
// DatabaseError. Used from the user-interface thread only.
class RecordLoader
{
public:
    // One line of the student list, with its id kept beside the text so that
    // ids of any length can be taken back out.
    struct ListEntry
    {
        qint64 id;
        QString item; // RecordItem::format(id, 姓名)
    };

    RecordLoader(Database &db, QString classTable);

    // "select id, 姓名 from T Order by 姓名": one entry per record, in the
    // database's order of names.
    QList<ListEntry> recordItems();

    // "select * from T where id = <idText>": the stored values of the first
    // row by column name, for the 42 columns the form reads back (班号 and the
    // region name texts are left out; NULL reads as empty text), or nothing
    // when no row has that id. An idText that is empty or not all digits
    // finds nothing and runs no query. Throws DatabaseError when the table
    // lacks one of the 42 columns.
    std::optional<QHash<QString, QString>> loadRecord(const QString &idText);

    // The 42 columns read back into the form, in the form's order.
    static const QStringList &readBackColumns();

    // "编号= <idText> 的学籍数据未能找到。", shown as a plain message.
    static QString notFoundMessage(const QString &idText);

private:
    Database &m_db;
    TableName m_classTable;
};
