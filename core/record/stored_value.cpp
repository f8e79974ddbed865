#include "stored_value.h"

#include <QLocale>

#include "core/record/entry_rules.h"
#include "core/record/entry_year.h"

namespace StoredValue {

QString encodeBirthDate(QDate date)
{
    return QLocale::c().toString(date, QStringLiteral("yyyyMMdd"));
}

QDate birthDate(const QString &stored)
{
    const QString digits = stored.left(8);
    if (digits.size() == 8 && EntryRules::IsAllDigits(digits)) {
        const QDate date(digits.left(4).toInt(), digits.mid(4, 2).toInt(), digits.mid(6, 2).toInt());
        if (date.isValid())
            return date;
    }
    throw StoredValueError(QStringLiteral("出生日期“%1”不是有效的日期").arg(stored));
}

QString encodeRegionCode(int countyCode)
{
    return QString::number(countyCode) + QStringLiteral("000000");
}

int regionCode(const QString &stored)
{
    const QString digits = stored.left(6);
    if (digits.isEmpty() || !EntryRules::IsAllDigits(digits))
        throw StoredValueError(QStringLiteral("行政区划代码“%1”不是有效的数字").arg(stored));
    return digits.toInt();
}

QString encodeEntryYearMonth(const QString &year, const QString &month)
{
    return year + month;
}

EntryYearMonth entryYearMonth(const QString &stored)
{
    return {stored.left(4), stored.right(2)};
}

QString encodeClassCode(const QString &entryYear, const QString &classTableName, const QString &classNumber)
{
    return entryYear + EntryRules::stageDigit(classTableName) + classNumber;
}

QString classCodeInTable(const QString &entryYear, const QString &classTableName, const QDate &today)
{
    QString year = entryYear;
    if (year.isEmpty()) {
        const int preselected = EntryYear::forGrade(classTableName.left(2), today);
        if (preselected > 0)
            year = QString::number(preselected);
    }
    const QString last = classTableName.right(2);
    return encodeClassCode(year, classTableName, EntryRules::IsAllDigits(last) ? last : QString());
}

PrintedClassCode printedClassCode(const QString &stored)
{
    return {stored.left(4) + QStringLiteral("级"), stored.right(2)};
}

} // namespace StoredValue
