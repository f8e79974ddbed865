#include "password_prompt.h"

#include <cstdio>
#include <iostream>
#include <string>

#include <termios.h>
#include <unistd.h>

#include <QTextStream>

namespace PasswordPrompt {
namespace {

bool atTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

std::optional<QString> readLine(bool hidden)
{
    termios saved{};
    const bool hide = hidden && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (hide) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stdout); // the Enter that was not echoed
        std::fflush(stdout);
    }
    if (!got)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

} // namespace

std::optional<QString> ask(const QString &prompt, QTextStream &out)
{
    const bool terminal = atTerminal();
    if (terminal)
        out << prompt << Qt::flush;
    return readLine(terminal);
}

std::optional<QString> askNew(const QString &prompt, int minLength, QTextStream &out, QString &why)
{
    const std::optional<QString> first = ask(prompt, out);
    if (!first) {
        why = QStringLiteral("没有读到密码。");
        return std::nullopt;
    }
    if (first->size() < minLength) {
        why = QStringLiteral("密码至少要有 %1 个字符。").arg(minLength);
        return std::nullopt;
    }
    if (atTerminal()) {
        const std::optional<QString> again = ask(QStringLiteral("请再输入一次："), out);
        if (!again || *again != *first) {
            why = QStringLiteral("两次输入的密码不一致，请重新设置。");
            return std::nullopt;
        }
    }
    return first;
}

} // namespace PasswordPrompt
