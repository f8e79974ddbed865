#pragma once

#include <optional>

#include <QString>

class QTextStream;

// Passwords typed at the command line. On a terminal the prompt goes to `out`
// and what is typed is not echoed; without a terminal (a script, a test) one
// line is read from standard input per password asked and no prompt is shown.
namespace PasswordPrompt {

// One password; nullopt when standard input ended before a line came.
std::optional<QString> ask(const QString &prompt, QTextStream &out);

// A new password typed twice (once when not at a terminal), at least
// minLength characters. Returns an error text in `why` and nullopt when the
// two differ, it is too short or input ended.
std::optional<QString> askNew(const QString &prompt, int minLength, QTextStream &out, QString &why);

} // namespace PasswordPrompt
