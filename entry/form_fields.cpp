#include "form_fields.h"

#include <array>

namespace FormFields {

namespace {

using namespace RecordColumns;

struct Row
{
    Index column;
    Field field;
};

// clang-format off
constexpr Row kRows[] = {
    {Name, {"edtName"}}, {Sex, {"cbSex"}}, {BirthDate, {"dtBirth"}}, {Jiguan, {"edtJiguan"}},
    {Minzu, {"cbMinzu"}}, {Nation, {"cbNation"}}, {CardType, {"cbCardType"}}, {Qiao, {"cbQiao"}},
    {Health, {"cbHealth"}}, {Policy, {"cbPolicy"}}, {CardNo, {"edtCardNo"}}, {HukouType, {"cbHukou"}},
    {EntryYearMonth, {"cbYear", "edtMonth"}}, {RuxueFangshi, {"cbRuxueFangshi"}}, {Jiudu, {"cbJiudu"}},
    {Addr, {"edtAddr"}}, {Post, {"edtPost"}}, {Family, {"edtFamily"}}, {Contact, {"edtContact"}},
    {Zip, {"edtZip"}}, {Dusheng, {"cbDusheng"}}, {Xueqian, {"cbXueqian"}}, {Liushou, {"cbLiushou"}},
    {Zizhu, {"cbZizhu"}}, {Yibu, {"cbYibu"}}, {Guer, {"cbGuer"}}, {Lieshi, {"cbLieshi"}},
    {Member1Name, {"edtName1"}}, {Member1Relation, {"cbGuanxi1"}}, {Member1Addr, {"edtAddr1"}},
    {Member1Contact, {"edtContact1"}}, {Member1Guardian, {"cbJianhu1"}},
    {Member2Name, {"edtName2"}}, {Member2Relation, {"cbGuanxi2"}}, {Member2Addr, {"edtAddr2"}},
    {Member2Contact, {"edtContact2"}}, {Member2Guardian, {"cbJianhu2"}}, {Jincheng, {"cbJincheng"}},
};
// clang-format on

constexpr std::array<Field, Count> byColumn()
{
    std::array<Field, Count> fields{};
    for (const Row &row : kRows)
        fields[row.column] = row.field;
    return fields;
}

constexpr std::array<Field, Count> kFields = byColumn();

} // namespace

Field of(RecordColumns::Index column)
{
    return column >= 0 && column < Count ? kFields[column] : Field{};
}

} // namespace FormFields
