#pragma once

#include <QList>

#include "core/import/sheet_rows.h"

// The headings' row of a class list: a title, a date line or a blank-looking
// row may stand above it. Used from one thread at a time.
namespace HeadingRowSearch {

// The rows a search reads at most before it decides.
inline constexpr int SearchedRows = 10;

struct Found
{
    QList<SheetRow> read;  // the rows read, in file order (those after the headings are data)
    int headings = -1;     // index in `read` of the headings' row; -1 when no row holds 姓名
    // The row whose cells a refusal names: the headings, else the widest row read.
    int shown = -1;
};

// Reads the first rows until the first that holds 姓名 and another known
// heading; without one, the first holding 姓名 alone (a list of names).
Found find(SheetRowReader &reader);

} // namespace HeadingRowSearch
