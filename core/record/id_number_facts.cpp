#include "id_number_facts.h"

#include "core/record/item_lists.h"
#include "core/record/stored_value.h"
#include "core/record/id_number_check.h"

namespace IdNumberFacts {

std::optional<Facts> of(const QString &idNumber)
{
    if (idNumber.size() != 18 || !IdNumberCheck::isValid(idNumber))
        return std::nullopt;
    Facts facts;
    // Its first 17 are digits (isValid): the date is read directly, as QDate::fromString is slow for an import of thousands.
    const QStringView digits(idNumber);
    facts.birth = QDate(digits.mid(6, 4).toInt(), digits.mid(10, 2).toInt(), digits.mid(12, 2).toInt());
    const int sexDigit = idNumber.at(16).digitValue();
    // The national codes of 性别: 1 male, 2 female.
    facts.sexItem = ItemLists::of(RecordColumns::Sex).textOfCode(sexDigit % 2 == 1 ? QStringLiteral("1") : QStringLiteral("2"));
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
