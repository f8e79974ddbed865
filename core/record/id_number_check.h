#pragma once

#include <QString>

// The check of an 18-character resident ID number (GB 11643, ISO 7064 MOD 11-2)
// as the database function fn_ValidateIDC performs it: 18 characters, a real
// birth date at positions 7-14, 17 leading digits, and the check character,
// compared without regard to case.
namespace IdNumberCheck {

bool isValid(const QString &idNumber);

// The expected check character for the first 17 digits ('0'-'9' or 'X').
QChar checkCharacter(const QString &first17);

} // namespace IdNumberCheck
