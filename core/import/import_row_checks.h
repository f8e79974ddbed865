#pragma once

#include <QString>

#include "core/import/sheet_rows.h"

// What only an imported row can have wrong: an ID number a spreadsheet kept as
// a number. The record's own rules are RecordRules. Pure; any thread.
namespace ImportRowChecks {

// The reason an ID number stored as a number is refused.
QString numberStoredIdReason();

// Whether a 身份证件号 cell was stored as a number (or shows one in the
// spreadsheet's exponent form, 4.40606E+17, as a saved .csv does).
bool isNumberStoredId(const SheetCell &cell);

} // namespace ImportRowChecks
