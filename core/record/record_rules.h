#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "core/record/record_columns.h"

// The one rule set of a student record, asked by every path a record enters
// by: the entry form, the import, the checks and any later one. It works on
// the 47 stored values (RecordColumns::dataColumns() order): how a typed value
// is normalised, the content rules with their messages, the resident ID rule
// (shape, check character, agreement with 出生日期 and 性别) and the fields a
// complete record has. The form shows the first failure; the import lists
// them all. Pure; any thread.
namespace RecordRules {

// A typed value as it is stored: full-width digits and letters half-width,
// every blank removed (EntryRules::StripBlanks); in 身份证件号 a trailing x
// is an X.
QString normalizedTyped(RecordColumns::Index column, const QString &text);

// Whether the card type is the resident ID card, or not given (a record
// without one is taken as a resident's: another card is said so).
bool isResidentIdCard(const QString &cardType);

struct Failure
{
    RecordColumns::Index column; // the field to correct
    QString message;
    bool question = false;       // 籍贯 only: the form asks and may save anyway; an import takes it
};

// Every failure of the content rules, in the order the form checks them:
// 出生日期, 身份证件号 (for a resident ID card), 邮政编码, the three telephone
// numbers, 籍贯. Empty values are not judged: they are missing (missing()).
// `now` is what the birth-date rule measures against.
QList<Failure> failures(const QStringList &values, const QDateTime &now, const QLocale &locale = QLocale());

// The failures that refuse a record (not the questions), one sentence each:
// what an import lists for a row.
QStringList problems(const QStringList &values, const QDateTime &now);

// The columns a complete record has a value in (every column the form feeds
// from a control) that are empty in this one.
QList<RecordColumns::Index> missing(const QStringList &values);

} // namespace RecordRules
