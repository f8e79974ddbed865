#include "web_form_fields.h"

#include "core/record/item_lists.h"
#include "core/record/record_schema.h"
#include "core/region/region_tables.h"

namespace WebFormFields {

namespace {

using namespace RecordColumns;

struct Caption
{
    Index column;
    const char16_t *label;
};

// The form's captions in the form's order, without its numbers; the form
// says 家庭成员或监护人 for the two members, the page names them 成员1 and 2.
// clang-format off
constexpr Caption kCaptions[] = {
    {Name, u"姓名"}, {Sex, u"性别"}, {BirthDate, u"出生日期"}, {BirthRegion, u"出生地"},
    {Jiguan, u"籍贯（写到区县）"}, {Minzu, u"民族"}, {Nation, u"国籍/地区"}, {CardType, u"身份证件类型"},
    {CardNo, u"身份证件号"}, {Qiao, u"港澳台侨外"}, {Policy, u"政治面貌"}, {Health, u"健康状况"},
    {HukouRegion, u"户口所在地"}, {HukouType, u"户口性质"}, {RuxueFangshi, u"入学方式"}, {Jiudu, u"就读方式"},
    {Addr, u"现住址"}, {Post, u"通信地址"}, {Family, u"家庭地址"}, {Contact, u"联系电话"}, {Zip, u"邮政编码"},
    {Dusheng, u"是否独生子女"}, {Xueqian, u"是否受过学前教育"}, {Liushou, u"是否留守儿童"},
    {Jincheng, u"是否进城务工人员随迁子女"}, {Guer, u"是否孤儿"}, {Lieshi, u"是否烈士或优抚子女"},
    {Member1Name, u"成员1姓名"}, {Member1Relation, u"成员1关系"}, {Member1Addr, u"成员1现住址"},
    {Member1Region, u"成员1户口所在地"}, {Member1Contact, u"成员1联系电话"}, {Member1Guardian, u"成员1是否监护人"},
    {Member2Name, u"成员2姓名"}, {Member2Relation, u"成员2关系"}, {Member2Addr, u"成员2现住址"},
    {Member2Region, u"成员2户口所在地"}, {Member2Contact, u"成员2联系电话"}, {Member2Guardian, u"成员2是否监护人"},
};
// clang-format on

Kind kindOf(RecordSchema::Feed feed)
{
    using F = RecordSchema::Feed;
    switch (feed) {
    case F::Item:
        return Kind::List;
    case F::BirthDate:
        return Kind::Date;
    case F::RegionCode:
        return Kind::Region;
    default:
        return Kind::Text;
    }
}

QList<Field> makeFields()
{
    QList<Field> out;
    for (const Caption &caption : kCaptions) {
        const RecordSchema::Column &column = RecordSchema::column(caption.column);
        Field field{caption.column, QString::fromUtf16(column.name), QString::fromUtf16(caption.label),
                    kindOf(column.feed), column.maxLength};
        field.fromIdNumber = caption.column == Sex || caption.column == BirthDate || caption.column == CardType;
        out << field;
    }
    return out;
}

QJsonObject codeAndName(int code, const QString &name)
{
    return {{QStringLiteral("code"), code}, {QStringLiteral("name"), name}};
}

} // namespace

const QList<Field> &fields()
{
    static const QList<Field> list = makeFields();
    return list;
}

const Field *field(const QString &name)
{
    for (const Field &f : fields()) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Text:
        return QStringLiteral("text");
    case Kind::List:
        return QStringLiteral("list");
    case Kind::Date:
        return QStringLiteral("date");
    case Kind::Region:
        return QStringLiteral("region");
    }
    return QString();
}

QJsonObject describe(const RegionNames &schoolDefault)
{
    QJsonArray list;
    for (const Field &f : fields()) {
        QJsonObject o{{QStringLiteral("name"), f.name},
                      {QStringLiteral("label"), f.label},
                      {QStringLiteral("kind"), kindName(f.kind)},
                      {QStringLiteral("required"), true}};
        if (f.kind == Kind::Text)
            o.insert(QStringLiteral("maxLength"), f.maxLength);
        if (f.fromIdNumber)
            o.insert(QStringLiteral("fromIdNumber"), true);
        if (f.kind == Kind::List) {
            QJsonArray items;
            for (const ItemLists::Item &item : ItemLists::of(f.column).items())
                items << QJsonObject{{QStringLiteral("code"), item.code}, {QStringLiteral("text"), item.text}};
            o.insert(QStringLiteral("items"), items);
        }
        list << o;
    }
    return {{QStringLiteral("fields"), list},
            {QStringLiteral("defaultRegion"), QJsonObject{{QStringLiteral("province"), schoolDefault.province},
                                                          {QStringLiteral("city"), schoolDefault.city},
                                                          {QStringLiteral("county"), schoolDefault.county}}}};
}

QJsonArray provinces(const RegionTables &tables)
{
    QJsonArray out;
    for (const TCODE_PROV_DATA &p : tables.ProvinceList())
        out << codeAndName(p.CodeValue, p.Name);
    return out;
}

QJsonObject province(const RegionTables &tables, int provinceCode)
{
    const TCODE_PROV_DATA *p = tables.FindProvinceByCode(provinceCode);
    if (!p)
        return {};
    QJsonArray cities;
    for (const TCODE_CITY_DATA &c : tables.CityList()) {
        if (c.ParentValue != provinceCode)
            continue;
        QJsonArray counties;
        for (const TCODE_AREA_DATA &a : tables.AreaList()) {
            if (a.ParentValue == c.CodeValue)
                counties << codeAndName(a.CodeValue, a.Name);
        }
        QJsonObject city = codeAndName(c.CodeValue, c.Name);
        city.insert(QStringLiteral("counties"), counties);
        cities << city;
    }
    QJsonObject out = codeAndName(p->CodeValue, p->Name);
    out.insert(QStringLiteral("cities"), cities);
    return out;
}

} // namespace WebFormFields
