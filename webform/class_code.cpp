#include "class_code.h"

#include <QRandomGenerator>

namespace ClassCode {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";
}

QString make()
{
    QString code;
    const int size = int(sizeof kAlphabet) - 1;
    for (int i = 0; i < kLength; ++i)
        code += QLatin1Char(kAlphabet[QRandomGenerator::system()->bounded(size)]);
    return code;
}

bool matches(const QString &given, const QString &code)
{
    if (given.size() != code.size() || code.isEmpty())
        return false;
    char16_t difference = 0;
    for (qsizetype i = 0; i < code.size(); ++i)
        difference |= given.at(i).unicode() ^ code.at(i).unicode();
    return difference == 0;
}

} // namespace ClassCode
