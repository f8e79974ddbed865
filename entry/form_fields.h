#pragma once

#include "core/record/record_columns.h"

// The entry form's control of each record column, by object name: the form's
// half of the record schema (which knows columns, not widgets).
namespace FormFields {

struct Field
{
    const char *control = nullptr;       // a text box, list or the date picker
    const char *secondControl = nullptr; // 入学年月's month box beside its year list
};

// Nothing for the columns the region pickers feed and for 班号, built at save.
Field of(RecordColumns::Index column);

} // namespace FormFields
