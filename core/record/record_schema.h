#pragma once

#include <span>

#include <QString>
#include <QStringList>

#include "core/record/record_columns.h"

// The one description of the 47 data columns of a student record: for each
// column its name and place, how the entry form feeds it (and so how its value
// is encoded and decoded, see StoredValue), which save statements assign it,
// the cells of the print template that show it, and the irregular blanks of
// the statements as the program has always written them. The statement texts,
// the template tables, the form's field map, the print cell map and the region
// code padding are all derived from it. Adding a column is one row here plus
// its control on the entry form (entry/form_fields). Constant data; any thread.
namespace RecordSchema {

// How the form feeds a column; the stored encoding follows from it.
enum class Feed {
    Typed,          // a text box; stored blank-stripped, read back as stored
    Item,           // a list; the whole item text ("1-男"), read back by selecting that text
    BirthDate,      // the date picker; StoredValue::encodeBirthDate / birthDate
    RegionCode,     // a region picker's county; StoredValue::encodeRegionCode / regionCode
    EntryYearMonth, // the year list and month box; StoredValue::encodeEntryYearMonth / entryYearMonth
    ClassCode,      // built at save from the chosen class; StoredValue::encodeClassCode / printedClassCode
    RegionNames,    // a region picker's names; stored for printing, not read back
};

// Which save statements assign a column.
enum Statements : unsigned { Insert = 1, Update = 2, InsertAndUpdate = Insert | Update };

// A cell of the print template block: row 1 is the block's first row.
struct Cell
{
    int row = 0; // 0: no cell
    int column = 0;
};

struct Column
{
    RecordColumns::Index order;
    const char16_t *name;
    Feed feed;
    // The characters a Typed value may have (the form's text box takes no
    // more; an import refuses a longer one); 0 for other feeds.
    int maxLength = 0;
    // The item list an Item column chooses from (ItemLists), by its name.
    const char16_t *items = nullptr;
    int picker = 0; // region picker 1-4 for RegionCode and RegionNames
    Statements statements = InsertAndUpdate;
    // The template cells showing the column: one for a value shown as stored;
    // 班号 shows its year and class number in two.
    Cell cell = {};
    Cell secondCell = {};
    // Irregular blanks the statements have always had: the INSERT joins this
    // value to the one before with "," alone; the UPDATE puts two blanks
    // instead of one before this assignment.
    bool insertValueWithoutBlank = false;
    bool updateAfterTwoBlanks = false;
};

// The 47 columns in the order of the INSERT statement and of the table.
std::span<const Column> columns();
const Column &column(RecordColumns::Index index);
QString name(RecordColumns::Index index);

// Whether a column holds a stored region code (the padding treats these).
bool isRegionCode(const Column &column);
// Whether the entry form puts a stored value of this column back into a
// control when a record is loaded (every column it feeds from a control).
bool readBack(const Column &column);

} // namespace RecordSchema
