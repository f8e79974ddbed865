#pragma once

struct QueryResult;
class XlsxSheet;

// Writes one student's values into the print template block of `sheet` that
// begins at rowOffset (1 on the template itself, 1 + 50k in the multi-person
// export): 44 cells in columns 3 and 6, each as a string; a NULL empties its
// cell. `row` is the student's row of `query`, which holds all columns of a
// class table. Throws DatabaseError when the result lacks one of the columns.
void FillTemplateSheet(const QueryResult &query, int row, XlsxSheet &sheet, int rowOffset);
