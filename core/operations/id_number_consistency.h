#pragma once

#include "platform/query_result.h"

// The check 身份证信息 over rows already read from the chosen class tables
// (columns 班级, 姓名, 身份证件号, 出生日期, 性别, in the order the report lists
// them). Finds what the number check alone cannot: a resident ID that passes
// its own check but tells another birth date or sex than the record holds,
// and a number that two classes both claim. Pure; any thread.
namespace IdNumberConsistency {

// Rows whose 18-digit resident ID (one passing the ID check) contradicts a
// filled-in 出生日期 or 性别. Columns 班级, 姓名, 身份证件号, 出生日期, 性别, 问题.
// Empty fields contradict nothing: they are still to be completed.
QueryResult contradictions(const QueryResult &rows);

// Rows whose ID number (any document, compared trimmed and without regard to
// case) also stands in another class. Columns 班级, 姓名, 身份证件号, 其它班级;
// the other classes joined by "、" in the order the rows came.
QueryResult repeatsInOtherClasses(const QueryResult &rows);

} // namespace IdNumberConsistency
