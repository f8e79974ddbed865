#include "id_number_mask.h"

namespace IdNumberMask {

QString masked(const QString &number)
{
    const QString text = number.trimmed();
    const qsizetype n = text.size();
    if (n == 0)
        return text;
    if (n > 10)
        return text.left(6) + QString(n - 10, QLatin1Char('*')) + text.right(4);
    if (n > 4)
        return QString(n - 4, QLatin1Char('*')) + text.right(4);
    return QString(n, QLatin1Char('*'));
}

} // namespace IdNumberMask
