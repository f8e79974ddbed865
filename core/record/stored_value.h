#pragma once

#include <QDate>
#include <QString>

#include "platform/app_error.h"

// A stored value that cannot be turned back into what the form shows (a birth
// date or region code that is no number). Ends the load like any other failure.
class StoredValueError : public AppError
{
public:
    using AppError::AppError;
};

// How the values of a student record are written into a class table and read
// back out, each encoding beside its decoding. Typed texts and list items are
// stored as they are (typed texts blank-stripped, EntryRules::StripBlanks).
// Pure functions; any thread.
namespace StoredValue {

// 出生日期: "yyyymmdd" (20090315).
QString encodeBirthDate(QDate date);
// Characters 1-4, 5-6 and 7-8 as year, month and day; anything after the
// eighth character is ignored. Throws StoredValueError when they are not
// eight digits forming a real date.
QDate birthDate(const QString &stored);

// Region codes: the six-digit county code followed by "000000", twelve
// characters in all (440606 is stored as 440606000000).
inline constexpr int kRegionCodeLength = 12;
QString encodeRegionCode(int countyCode);
// The first 6 characters as a number. Throws StoredValueError when they are
// empty or not all digits. A shorter code gives its number, which the region
// lookup then does not resolve.
int regionCode(const QString &stored);

// 入学年月: the year text followed by the month text (201509).
QString encodeEntryYearMonth(const QString &year, const QString &month);
// The first 4 characters are the year text, the last 2 the month text.
struct EntryYearMonth
{
    QString year;
    QString month;
};
EntryYearMonth entryYearMonth(const QString &stored);

// 班号: entry year text + stage digit of the class table + class number
// ("01" to "30"); 高一01 with 2015 gives 2015301.
QString encodeClassCode(const QString &entryYear, const QString &classTableName, const QString &classNumber);
// 班号 of a record in this class table, as the form builds it: the entry year,
// or when it is empty the year the class setup preselects for the table's
// grade on `today`; the class number is the table name's last two digits.
QString classCodeInTable(const QString &entryYear, const QString &classTableName, const QDate &today);
// What a printed record shows of a 班号: the entry year with 级 ("2015级")
// and the class number ("01"); the stage digit is not shown.
struct PrintedClassCode
{
    QString entryYear;
    QString classNumber;
};
PrintedClassCode printedClassCode(const QString &stored);

} // namespace StoredValue
