#pragma once

#include <optional>

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/app_error.h"

class Database;

// A stored value that cannot be turned back into what the form shows (a birth
// date or region code that is no number). Ends the load like any other failure.
class StoredValueError : public AppError
{
public:
    using AppError::AppError;
};

// Decoding the stored texts of a student record for the entry form. Pure functions; any thread.
namespace StoredValue {

// 出生日期 "yyyymmdd": characters 1-4, 5-6 and 7-8 as year, month and day;
// anything after the eighth character is ignored. Throws StoredValueError when
// they are not eight digits forming a real date.
QDate birthDate(const QString &stored);

// A stored region code (440606000000): the first 6 characters as a number.
// Throws StoredValueError when they are empty or not all digits. A shorter
// code gives its number, which the region lookup then does not resolve.
int regionCode(const QString &stored);

// 入学年月 (201509): the first 4 characters are the year text, the last 2 the month text.
struct EntryYearMonth
{
    QString year;
    QString month;
};
EntryYearMonth entryYearMonth(const QString &stored);

} // namespace StoredValue

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
    QString m_classTable;
};
