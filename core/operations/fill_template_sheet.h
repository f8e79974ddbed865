#pragma once

#include <vector>

#include <QString>

#include "xlsx/xlsx_block_template.h"

struct QueryResult;
class XlsxSheet;

// One student's texts for the print template block, read from a result that
// holds all columns of a class table: 44 cells in columns 3 and 6 (班号 in
// two of them), each shown as stored; a NULL is an empty text.
class TemplateValues
{
public:
    // Throws DatabaseError when the result lacks one of the columns.
    explicit TemplateValues(const QueryResult &query);
    // The cells in the order of the texts, on the template's own block (rows 1 to 50).
    static const std::vector<XlsxBlockTemplate::Slot> &cells();
    // The texts of the student on row `row` of the result, in the order of cells().
    void read(int row, std::vector<QString> &texts) const;
    int rowCount() const;

private:
    const QueryResult &m_query;
    std::vector<int> m_columns; // result column of each cell, the class code's once at the end
};

// Writes one student's values into the print template block of `sheet` that
// begins at rowOffset (1 on the template itself, 1 + 50k in the multi-person
// export), each as a string; a NULL empties its cell; rows grow for long
// values. `row` is the student's row of `query`, which holds all columns of a
// class table. Throws DatabaseError when the result lacks one of the columns.
void FillTemplateSheet(const QueryResult &query, int row, XlsxSheet &sheet, int rowOffset);
