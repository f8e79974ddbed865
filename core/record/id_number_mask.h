#pragma once

#include <QString>

// ID numbers as lists on screen show them: enough to tell pupils apart, not
// enough to copy a child's number off a classroom screen. The record itself,
// printouts, exports and check.txt keep the whole number. Any thread.
namespace IdNumberMask {

// The first 6 and last 4 characters with a * for each one between
// ("440606********1242"); a number of 10 characters or fewer shows only its
// last 4 (fewer than 5: all *). Blanks around are dropped; empty stays empty.
QString masked(const QString &number);

} // namespace IdNumberMask
