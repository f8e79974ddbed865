#include "id_number_consistency.h"

#include <QHash>

#include "core/record/id_number_facts.h"

namespace IdNumberConsistency {

namespace {

enum Column { ClassLabel, Name, IdNumber, BirthDate, Sex };

QString idKey(const QString &number)
{
    return number.trimmed().toUpper();
}

} // namespace

QueryResult contradictions(const QueryResult &rows)
{
    QueryResult found;
    found.columns = {QStringLiteral("班级"), QStringLiteral("姓名"), QStringLiteral("身份证件号"),
                     QStringLiteral("出生日期"), QStringLiteral("性别"), QStringLiteral("问题")};
    for (int r = 0; r < rows.rowCount(); ++r) {
        const auto facts = IdNumberFacts::of(rows.text(r, IdNumber).trimmed());
        if (!facts)
            continue; // numbers failing the check itself are the business of 检查身份证
        QStringList problems;
        if (facts->birthContradicts(rows.text(r, BirthDate).trimmed()))
            problems << QStringLiteral("出生日期与身份证号不符");
        if (facts->sexContradicts(rows.text(r, Sex).trimmed()))
            problems << QStringLiteral("性别与身份证号不符");
        if (problems.isEmpty())
            continue;
        QVariantList row = rows.rows.at(r).mid(0, Sex + 1);
        row << problems.join(QStringLiteral("；"));
        found.rows << row;
    }
    return found;
}

QueryResult repeatsInOtherClasses(const QueryResult &rows)
{
    // Each number's classes in the order their rows came, each class once.
    QHash<QString, QStringList> classesOf;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString key = idKey(rows.text(r, IdNumber));
        if (key.isEmpty())
            continue;
        QStringList &classes = classesOf[key];
        if (!classes.contains(rows.text(r, ClassLabel)))
            classes << rows.text(r, ClassLabel);
    }
    QueryResult found;
    found.columns = {QStringLiteral("班级"), QStringLiteral("姓名"), QStringLiteral("身份证件号"), QStringLiteral("其它班级")};
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString key = idKey(rows.text(r, IdNumber));
        if (key.isEmpty())
            continue;
        QStringList others = classesOf.value(key);
        others.removeAll(rows.text(r, ClassLabel));
        if (others.isEmpty())
            continue;
        found.rows << QVariantList{rows.rows.at(r).at(ClassLabel), rows.rows.at(r).at(Name), rows.rows.at(r).at(IdNumber),
                                   others.join(QStringLiteral("、"))};
    }
    return found;
}

} // namespace IdNumberConsistency
