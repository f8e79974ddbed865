#include "record_schema.h"

#include <array>

namespace RecordSchema {

namespace {

using namespace RecordColumns;
using F = Feed;

// clang-format off
constexpr std::array<Column, Count> kColumns = {{
    {.order = Name, .name = u"姓名", .feed = F::Typed, .maxLength = 16, .cell = {5, 3}},
    {.order = Sex, .name = u"性别", .feed = F::Item, .items = u"性别", .cell = {6, 3}},
    {.order = BirthDate, .name = u"出生日期", .feed = F::BirthDate, .cell = {7, 3}},
    {.order = BirthRegion, .name = u"出生地行政区划代码", .feed = F::RegionCode, .picker = 1},
    {.order = Jiguan, .name = u"籍贯", .feed = F::Typed, .maxLength = 100, .cell = {9, 3}},
    {.order = Minzu, .name = u"民族", .feed = F::Item, .items = u"民族", .cell = {10, 3}},
    {.order = Nation, .name = u"国籍_地区", .feed = F::Item, .items = u"国籍地区", .cell = {11, 3},
     .insertValueWithoutBlank = true},
    {.order = CardType, .name = u"身份证件类型", .feed = F::Item, .items = u"身份证件类型", .cell = {5, 6}},
    {.order = Qiao, .name = u"港澳台侨外", .feed = F::Item, .items = u"港澳台侨外", .cell = {7, 6}},
    {.order = Health, .name = u"健康状况", .feed = F::Item, .items = u"健康状况", .cell = {9, 6}},
    {.order = Policy, .name = u"政治面貌", .feed = F::Item, .items = u"政治面貌", .cell = {8, 6}},
    {.order = CardNo, .name = u"身份证件号", .feed = F::Typed, .maxLength = 20, .cell = {6, 6}},
    {.order = HukouType, .name = u"户口性质", .feed = F::Item, .items = u"户口性质", .cell = {14, 6}},
    {.order = HukouRegion, .name = u"户口所在地行政区划", .feed = F::RegionCode, .picker = 2},
    {.order = EntryYearMonth, .name = u"入学年月", .feed = F::EntryYearMonth, .cell = {17, 6}},
    {.order = RuxueFangshi, .name = u"入学方式", .feed = F::Item, .items = u"入学方式", .cell = {18, 6}},
    {.order = Jiudu, .name = u"就读方式", .feed = F::Item, .items = u"就读方式", .cell = {19, 6}},
    {.order = Addr, .name = u"现住址", .feed = F::Typed, .maxLength = 80, .cell = {22, 3}},
    {.order = Post, .name = u"通信地址", .feed = F::Typed, .maxLength = 80, .cell = {23, 3}},
    {.order = Family, .name = u"家庭地址", .feed = F::Typed, .maxLength = 80, .cell = {24, 3}},
    {.order = Contact, .name = u"联系电话", .feed = F::Typed, .maxLength = 20, .cell = {25, 3},
     .updateAfterTwoBlanks = true},
    {.order = Zip, .name = u"邮政编码", .feed = F::Typed, .maxLength = 12, .cell = {22, 6}},
    {.order = Dusheng, .name = u"是否独生子女", .feed = F::Item, .items = u"是否", .cell = {27, 3}},
    {.order = Xueqian, .name = u"是否受过学前教育", .feed = F::Item, .items = u"是否", .cell = {28, 3}},
    {.order = Liushou, .name = u"是否留守儿童", .feed = F::Item, .items = u"留守儿童", .cell = {29, 3}},
    {.order = Zizhu, .name = u"是否需要申请资助", .feed = F::Item, .items = u"是否", .cell = {30, 6}},
    {.order = Yibu, .name = u"是否享受一补", .feed = F::Item, .items = u"是否", .cell = {31, 6},
     .updateAfterTwoBlanks = true},
    {.order = Guer, .name = u"是否孤儿", .feed = F::Item, .items = u"是否", .cell = {31, 3}},
    {.order = Lieshi, .name = u"是否烈士或优抚子女", .feed = F::Item, .items = u"是否", .cell = {32, 3}},
    {.order = Member1Name, .name = u"成员1姓名", .feed = F::Typed, .maxLength = 20, .cell = {37, 3},
     .updateAfterTwoBlanks = true},
    {.order = Member1Relation, .name = u"成员1关系", .feed = F::Item, .items = u"家庭成员关系", .cell = {38, 3}},
    {.order = Member1Addr, .name = u"成员1现住址", .feed = F::Typed, .maxLength = 80, .cell = {42, 3}},
    {.order = Member1Region, .name = u"成员1户口所在地行政区划", .feed = F::RegionCode, .picker = 3},
    {.order = Member1Contact, .name = u"成员1联系电话", .feed = F::Typed, .maxLength = 30, .cell = {38, 6}},
    {.order = Member1Guardian, .name = u"成员1是否监护人", .feed = F::Item, .items = u"是否", .cell = {39, 6}},
    {.order = Member2Name, .name = u"成员2姓名", .feed = F::Typed, .maxLength = 20, .cell = {44, 3}},
    {.order = Member2Relation, .name = u"成员2关系", .feed = F::Item, .items = u"家庭成员关系", .cell = {45, 3}},
    {.order = Member2Addr, .name = u"成员2现住址", .feed = F::Typed, .maxLength = 80, .cell = {49, 3}},
    {.order = Member2Region, .name = u"成员2户口所在地行政区划", .feed = F::RegionCode, .picker = 4},
    {.order = Member2Contact, .name = u"成员2联系电话", .feed = F::Typed, .maxLength = 30, .cell = {45, 6}},
    {.order = Member2Guardian, .name = u"成员2是否监护人", .feed = F::Item, .items = u"是否", .cell = {46, 6}},
    {.order = Jincheng, .name = u"是否进城务工人员随迁子女", .feed = F::Item, .items = u"是否", .cell = {30, 3},
     .updateAfterTwoBlanks = true},
    {.order = ClassCode, .name = u"班号", .feed = F::ClassCode, .statements = Insert, .cell = {19, 3},
     .secondCell = {20, 3}},
    {.order = BirthRegionText, .name = u"出生地行政区划代码2", .feed = F::RegionNames, .picker = 1, .cell = {8, 3}},
    {.order = HukouRegionText, .name = u"户口所在地行政区划2", .feed = F::RegionNames, .picker = 2, .cell = {13, 6}},
    {.order = Member1RegionText, .name = u"成员1户口所在地行政区划2", .feed = F::RegionNames, .picker = 3,
     .cell = {37, 6}},
    {.order = Member2RegionText, .name = u"成员2户口所在地行政区划2", .feed = F::RegionNames, .picker = 4,
     .cell = {44, 6}},
}};
// clang-format on

constexpr bool inOrder()
{
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        if (std::size_t(kColumns[i].order) != i)
            return false;
    }
    return true;
}
static_assert(inOrder(), "each column's row sits at its place in the record");

} // namespace

std::span<const Column> columns()
{
    return kColumns;
}

const Column &column(RecordColumns::Index index)
{
    return kColumns.at(std::size_t(index));
}

QString name(RecordColumns::Index index)
{
    return QString::fromUtf16(column(index).name);
}

bool isRegionCode(const Column &column)
{
    return column.feed == Feed::RegionCode;
}

bool readBack(const Column &column)
{
    return column.feed != Feed::ClassCode && column.feed != Feed::RegionNames;
}

} // namespace RecordSchema
