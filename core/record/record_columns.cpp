#include "record_columns.h"

#include "core/record/record_schema.h"

namespace RecordColumns {

const QStringList &dataColumns()
{
    static const QStringList columns = [] {
        QStringList names;
        for (const RecordSchema::Column &column : RecordSchema::columns())
            names << QString::fromUtf16(column.name);
        return names;
    }();
    return columns;
}

const QStringList &nationalColumns()
{
    static const QStringList columns = [] {
        QStringList c = QStringLiteral(
            "姓名 性别 出生日期 出生地行政区划代码 籍贯 民族 国籍_地区 身份证件类型 身份证件号 港澳台侨外 政治面貌 健康状况 照片 "
            "姓名拼音 曾用名 身份证件有效期 户口所在地行政区划 户口性质 特长 学籍辅号 班内学号 年级 班级 入学年月 入学方式 就读方式 "
            "学生来源 现住址 通信地址 家庭地址 联系电话 邮政编码 电子信箱 主页地址 是否独生子女 是否受过学前教育 是否留守儿童 "
            "是否进城务工人员随迁子女 是否孤儿 是否烈士或优抚子女 随班就读 残疾类型 是否由政府购买学位 是否需要申请资助 是否享受一补 "
            "上下学距离 上下学交通方式 是否需要乘坐校车")
            .split(QLatin1Char(' '));
        const QStringList member = QStringLiteral(
            "姓名 关系 关系说明 民族 工作单位 现住址 户口所在地行政区划 联系电话 是否监护人 身份证件类型 身份证件号 职务")
            .split(QLatin1Char(' '));
        for (int n = 1; n <= 2; ++n) {
            for (const QString &field : member)
                c << QStringLiteral("成员%1").arg(n) + field;
        }
        return c;
    }();
    return columns;
}

} // namespace RecordColumns
