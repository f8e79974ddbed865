#pragma once

#include <QHash>
#include <QString>

#include "core/region/region_tables.h"

// What a parent sends through the web form for EntryFormDriver::fillStudent's
// pupil: the same inputs, as the page gives them (item texts, a county's code,
// yyyy-MM-dd).
namespace WebFormInputs {

// The code of the county of that province and city, 0 when the tables lack it.
inline int countyCode(const RegionTables &tables, const QString &province, const QString &city, const QString &county)
{
    for (const TCODE_AREA_DATA &a : tables.AreaList()) {
        const RegionNames names = tables.ResolveRegionCode(a.CodeValue);
        if (names.province == province && names.city == city && names.county == county)
            return a.CodeValue;
    }
    return 0;
}

inline QHash<QString, QString> driversPupil(const RegionTables &t, const QString &name = QStringLiteral("张 三"),
                                            const QString &cardNo = QStringLiteral("440606200003151242"))
{
    const auto code = [&](const char16_t *p, const char16_t *c, const char16_t *a) {
        return QString::number(countyCode(t, QString::fromUtf16(p), QString::fromUtf16(c), QString::fromUtf16(a)));
    };
    return {
        {"姓名", name}, {"性别", "2-女"}, {"出生日期", "2000-03-15"},
        {"出生地行政区划代码", code(u"广东省", u"佛山市", u"顺德区")}, {"籍贯", "广东省 佛山市 顺德区"},
        {"民族", "蒙古族"}, {"国籍_地区", "CHN-中国"}, {"身份证件类型", "1-居民身份证"}, {"身份证件号", cardNo},
        {"港澳台侨外", "05-台湾同胞"}, {"政治面貌", "03-共青团员"}, {"健康状况", "20-一般或较弱"},
        {"户口所在地行政区划", code(u"北京市", u"县", u"密云县")}, {"户口性质", "农业户口"},
        {"入学方式", "21-统一招生考试/普通入学"}, {"就读方式", "2-住校"},
        {"现住址", "佛山市顺德区 大良街道 1 号"}, {"通信地址", "顺德区大良邮局 88 号信箱"},
        {"家庭地址", "顺德区 容桂 2 号"}, {"联系电话", "13800138000"}, {"邮政编码", "528300"},
        {"是否独生子女", "1-是"}, {"是否受过学前教育", "1-是"}, {"是否留守儿童", "2-双亲留守儿童"},
        {"是否进城务工人员随迁子女", "1-是"}, {"是否孤儿", "0-否"}, {"是否烈士或优抚子女", "1-是"},
        {"成员1姓名", "张大山"}, {"成员1关系", "1-父亲"}, {"成员1现住址", "台湾 台北"},
        {"成员1户口所在地行政区划", code(u"台湾省", u"台湾", u"台湾")}, {"成员1联系电话", "075722223333"},
        {"成员1是否监护人", "1-是"}, {"成员2姓名", "李小梅"}, {"成员2关系", "2-母亲"},
        {"成员2现住址", "广州市天河区 体育西路"}, {"成员2户口所在地行政区划", code(u"广东省", u"广州市", u"天河区")},
        {"成员2联系电话", "02088889999"}, {"成员2是否监护人", "0-否"},
    };
}

} // namespace WebFormInputs
