#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "core/import/sheet_rows.h"
#include "core/record/record_schema.h"

class RegionTables;

// Brings the cells of a spreadsheet to the encodings a class table stores, as
// the entry form would have stored them: list items by text, text after the
// code or code (ItemLists); dates from yyyymmdd, yyyy-mm-dd, yyyy/m/d or a date cell;
// region codes of 6, 9 or 12 digits or a region's names; 入学年月 as yyyymm.
// Used from one thread at a time.
class ImportValues
{
public:
    explicit ImportValues(const RegionTables &regions);

    struct Value
    {
        QString stored;  // empty when the cell is empty or the value is refused
        QString problem; // why the value is refused; empty when it is not
    };

    // The stored value of the cell for that column. Region names columns and
    // 班号 are taken as written (the caller derives them when they are empty).
    Value convert(const RecordSchema::Column &column, const SheetCell &cell) const;

    // The names text a region picker shows for the stored code (province,
    // city and county names one after another); empty for an unknown code.
    QString regionNames(const QString &storedCode) const;

    // Dates as the import accepts them; an invalid date when the text is none.
    static QDate parseDate(const SheetCell &cell);

    // The characters a value of the column may have: the schema's maxLength
    // of a typed column, else the width of the class tables' columns on SQL
    // Server (nvarchar(255)).
    static int maxLength(const RecordSchema::Column &column);

private:
    Value region(const QString &columnName, const QString &text) const;

    const RegionTables &m_regions;
    QHash<QString, QList<int>> m_byName; // a region's names, in several spellings, to county codes
    QList<int> m_limits;                 // maxLength() of each column, by column order
};
