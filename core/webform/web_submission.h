#pragma once

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class RegionTables;

// One record as a web form sends it, judged with the entry form's rules
// (RecordRules: normalising, the content rules, the resident ID rule, every
// field required) and turned into the 47 values the form's save would store
// for the same inputs (StoredValue's encodings, the region names the pickers
// show, 班号 and 入学年月 as the form preselects them for the class). Pure;
// any thread once the item lists and region tables are loaded.
namespace WebSubmission {

// A verdict beside one field of the page.
struct Verdict
{
    QString field;   // the column name (WebFormFields::Field::name); empty for the whole submission
    QString text;
    bool refuses = true; // false: a question the form asks and may save anyway (籍贯 without 省/市/县)
};

struct Judgement
{
    // The 47 values in RecordColumns::dataColumns() order, as the form stores them.
    QStringList values;
    QList<Verdict> verdicts;
    // True when no verdict refuses: the values may go to the queue.
    bool accepted() const;
    // {"accepted": bool, "verdicts": {"身份证件号": ["…"]}, "questions": {"籍贯": ["…"]}}
    QJsonObject toJson() const;
};

// fields: column name -> the text the page sent (WebFormFields' kinds); names
// that are no parent's field (班号 …) are ignored. classTable: the class the
// form was opened for. now: the database's time, as the form's start-up date
// (the birth-date rule, the entry year).
Judgement judge(const QHash<QString, QString> &fields, const QString &classTable, const QDateTime &now,
                const RegionTables &regions);
// The same from the page's JSON object; a value that is no string is refused.
Judgement judge(const QJsonObject &fields, const QString &classTable, const QDateTime &now,
                const RegionTables &regions);

} // namespace WebSubmission
