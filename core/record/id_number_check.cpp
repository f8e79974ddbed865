#include "id_number_check.h"

#include <QDate>

namespace IdNumberCheck {

QChar checkCharacter(const QString &first17)
{
    static const int weights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    static const char checks[] = "10X98765432";
    int sum = 0;
    for (int i = 0; i < 17; ++i)
        sum += first17.at(i).digitValue() * weights[i];
    return QLatin1Char(checks[sum % 11]);
}

bool isValid(const QString &idNumber)
{
    // The parameter is varchar(18); LEN does not count trailing blanks.
    QString idc = idNumber.left(18);
    while (idc.endsWith(QLatin1Char(' ')))
        idc.chop(1);
    if (idc.size() != 18)
        return false;
    for (int i = 0; i < 17; ++i) {
        const QChar c = idc.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    // The 17 are digits: the date is read directly (QDate::fromString is slow for an import of thousands).
    const QStringView digits(idc);
    const QDate birth(digits.mid(6, 4).toInt(), digits.mid(10, 2).toInt(), digits.mid(12, 2).toInt());
    // The server's date type starts in 1753.
    if (!birth.isValid() || birth.year() < 1753)
        return false;
    return idc.at(17).toUpper() == checkCharacter(idc);
}

} // namespace IdNumberCheck
