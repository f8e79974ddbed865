#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include "core/record/record_columns.h"

class RegionTables;
struct RegionNames;

// What the web form's page is told about the record a parent or pupil fills
// in: every field the entry form has a control for, with the same lists and
// length limits (RecordSchema, ItemLists), and the province / city / county
// data of the cascading pickers (RegionTables). The fields the school decides
// are not offered: 班号 and 入学年月 (the class's entry year, month 09, as the
// form preselects them) and 是否需要申请资助 / 是否享受一补 (fixed to 0-否 on
// the form); WebSubmission fills them in. Pure; any thread once the item
// lists and region tables are loaded.
namespace WebFormFields {

enum class Kind {
    Text,   // a text box: the typed text, at most maxLength characters
    List,   // one of the items, sent as the item's text ("2-女")
    Date,   // 出生日期, sent as yyyy-MM-dd (or yyyyMMdd)
    Region, // a county, sent as its six-digit code (440606)
};

struct Field
{
    RecordColumns::Index column;
    QString name;  // the column name: the key of the field in a submission and in the verdicts
    QString label; // what the page shows beside the field
    Kind kind;
    int maxLength = 0; // Text only
    // Left empty, it is taken from a resident ID number that passes the
    // check (性别, 出生日期, 身份证件类型), as the import does.
    bool fromIdNumber = false;
};

// The fields in the order of the entry form. Every one is required: a record
// the form saves has a value in each (RecordRules::missing).
const QList<Field> &fields();
// The field of that column name, or nullptr (a school's field, or no column).
const Field *field(const QString &name);

// "text", "list", "date", "region".
QString kindName(Kind kind);

// The page's description:
// {"fields": [{"name", "label", "kind", "required": true, "maxLength"?,
//              "items"?: [{"code", "text"}], "fromIdNumber"?}],
//  "defaultRegion": {"province", "city", "county"}}
// with the school's default region the pickers start at (SchoolSettings).
QJsonObject describe(const RegionNames &schoolDefault);

// The provinces: [{"code": 440000, "name": "广东省"}], in code order.
QJsonArray provinces(const RegionTables &tables);
// One province's cities with their counties:
// {"code", "name", "cities": [{"code", "name", "counties": [{"code", "name"}]}]};
// an empty object for a code that is no province.
QJsonObject province(const RegionTables &tables, int provinceCode);

} // namespace WebFormFields
