#include "entry_year.h"

namespace EntryYear {

namespace {

struct Grade
{
    const char16_t *label;
    // Years back from September of the start-up year to the September the
    // class started in (the third year counts three, as it always has).
    int yearsBack;
};

constexpr Grade kGrades[] = {
    {u"高一", 0}, {u"高二", 1}, {u"高三", 3},
    {u"初一", 0}, {u"初二", 1}, {u"初三", 3},
    {u"小一", 0}, {u"小二", 1}, {u"小三", 3}, {u"小四", 4}, {u"小五", 5}, {u"小六", 6},
};

} // namespace

QStringList gradeLabels()
{
    QStringList labels;
    for (const Grade &grade : kGrades)
        labels << QString::fromUtf16(grade.label);
    return labels;
}

int forGrade(const QString &grade, const QDate &startup)
{
    if (!startup.isValid())
        return 0;
    for (const Grade &g : kGrades) {
        if (grade == QStringView(g.label)) {
            const int september = startup.month() >= 9 ? startup.year() : startup.year() - 1;
            return september - g.yearsBack;
        }
    }
    return 0;
}

int newestListed(const QDate &startup)
{
    return qMax(2015, startup.year());
}

} // namespace EntryYear
