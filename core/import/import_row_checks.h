#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "core/import/sheet_rows.h"

// The checks of one imported row beyond its single values: the entry form's
// content rules (birth date, resident ID, postcode, telephones) and the
// consistency of an 18-digit resident ID with its check character, 出生日期
// and 性别. Empty values are not checked (they are completed later). Pure; any thread.
namespace ImportRowChecks {

// The reason an ID number stored as a number is refused.
QString numberStoredIdReason();

// Whether a 身份证件号 cell was stored as a number (or shows one in the
// spreadsheet's exponent form, 4.40606E+17, as a saved .csv does).
bool isNumberStoredId(const SheetCell &cell);

// The problems of the 47 encoded values (RecordColumns::dataColumns() order),
// one sentence each; `now` is what the birth-date rule measures against.
QStringList problems(const QStringList &values, const QDateTime &now);

} // namespace ImportRowChecks
