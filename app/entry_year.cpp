#include "entry_year.h"

#include <QHash>

namespace EntryYear {

int forGrade(const QString &grade, const QDate &startup)
{
    // Years back from September of the start-up year; the stage's n-th year
    // started n - 1 Septembers ago.
    static const QHash<QString, int> yearsBack = {
        {QStringLiteral("初一"), 0}, {QStringLiteral("高一"), 0}, {QStringLiteral("小一"), 0},
        {QStringLiteral("初二"), 1}, {QStringLiteral("高二"), 1}, {QStringLiteral("小二"), 1},
        {QStringLiteral("初三"), 3}, {QStringLiteral("高三"), 3}, {QStringLiteral("小三"), 3},
        {QStringLiteral("小四"), 4}, {QStringLiteral("小五"), 5}, {QStringLiteral("小六"), 6},
    };
    const auto it = yearsBack.constFind(grade);
    if (it == yearsBack.constEnd() || !startup.isValid())
        return 0;
    const int september = startup.month() >= 9 ? startup.year() : startup.year() - 1;
    return september - *it;
}

int newestListed(const QDate &startup)
{
    return qMax(2015, startup.year());
}

} // namespace EntryYear
