#pragma once

#include <QString>

// The class code that lets one into an open web form: random, from an
// alphabet without look-alikes (no 0/O, 1/I/L), so it can be read off the
// classroom wall and typed on a phone. Any thread.
namespace ClassCode {

inline constexpr int kLength = 10;

QString make();

// Compares in time independent of where the texts differ.
bool matches(const QString &given, const QString &code);

} // namespace ClassCode
