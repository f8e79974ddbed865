#pragma once

#include <optional>

#include <QDate>
#include <QString>

// What an 18-digit resident ID number tells about its holder: the birth date
// (digits 7-14) and the sex (digit 17: odd is male, even female). Lets the
// entry form fill 3.出生日期 and 2.性别 from a typed number. Pure; any thread.
namespace IdNumberFacts {

struct Facts
{
    QDate birth;
    QString sexItem; // the item text of 2.性别: "1-男" or "2-女"
    QString storedBirth() const; // the birth date as the record stores it (yyyymmdd)

    // Whether the stored 出生日期 / 性别 say otherwise than the number; an
    // empty value contradicts nothing (it is still to be filled in).
    bool birthContradicts(const QString &storedBirthDate) const;
    bool sexContradicts(const QString &storedSex) const;
};

// The facts of a number that passes the full resident ID check (length,
// digits, real birth date, check character); nothing for any other text.
std::optional<Facts> of(const QString &idNumber);

} // namespace IdNumberFacts
