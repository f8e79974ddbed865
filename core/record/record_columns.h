#pragma once

#include <QStringList>

// Column names of the student tables.
namespace RecordColumns {

// The names of the 47 data columns of a class table (and of Init2, after id),
// in the order the INSERT statement lists them (RecordSchema).
const QStringList &dataColumns();

// The national structure of Init1 (72 columns).
const QStringList &nationalColumns();

// The place of each data column in the record, the order of RecordSchema::columns().
enum Index {
    Name = 0, Sex, BirthDate, BirthRegion, Jiguan, Minzu, Nation, CardType, Qiao, Health, Policy, CardNo,
    HukouType, HukouRegion, EntryYearMonth, RuxueFangshi, Jiudu, Addr, Post, Family, Contact, Zip,
    Dusheng, Xueqian, Liushou, Zizhu, Yibu, Guer, Lieshi,
    Member1Name, Member1Relation, Member1Addr, Member1Region, Member1Contact, Member1Guardian,
    Member2Name, Member2Relation, Member2Addr, Member2Region, Member2Contact, Member2Guardian,
    Jincheng, ClassCode, BirthRegionText, HukouRegionText, Member1RegionText, Member2RegionText,
    Count
};

} // namespace RecordColumns
