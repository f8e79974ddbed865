#include "id_number_facts.h"

#include "core/record/stored_value.h"
#include "platform/id_number_check.h"

namespace IdNumberFacts {

std::optional<Facts> of(const QString &idNumber)
{
    if (idNumber.size() != 18 || !IdNumberCheck::isValid(idNumber))
        return std::nullopt;
    Facts facts;
    facts.birth = QDate::fromString(idNumber.mid(6, 8), QStringLiteral("yyyyMMdd"));
    const int sexDigit = idNumber.at(16).digitValue();
    facts.sexItem = sexDigit % 2 == 1 ? QStringLiteral("1-男") : QStringLiteral("2-女");
    return facts;
}

QString Facts::storedBirth() const
{
    return StoredValue::encodeBirthDate(birth);
}

bool Facts::birthContradicts(const QString &storedBirthDate) const
{
    return !storedBirthDate.isEmpty() && storedBirthDate != storedBirth();
}

bool Facts::sexContradicts(const QString &storedSex) const
{
    return !storedSex.isEmpty() && storedSex != sexItem;
}

} // namespace IdNumberFacts
