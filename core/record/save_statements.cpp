#include "save_statements.h"

#include <array>
#include <stdexcept>

#include "core/record/record_columns.h"
#include "platform/sql_text.h"

namespace SaveStatements {

namespace {

// The column list of the INSERT, in nine pieces.
constexpr std::array<const char16_t *, 9> kInsertColumns = {
    u"姓名, 性别, 出生日期, 出生地行政区划代码, 籍贯, 民族, ",
    u"国籍_地区, 身份证件类型, 港澳台侨外, 健康状况, 政治面貌, 身份证件号, 户口性质, ",
    u"户口所在地行政区划, 入学年月, 入学方式, 就读方式, 现住址, 通信地址, 家庭地址, ",
    u"联系电话, 邮政编码, 是否独生子女, 是否受过学前教育, 是否留守儿童, 是否需要申请资助, ",
    u"是否享受一补, 是否孤儿, 是否烈士或优抚子女, ",
    u"成员1姓名, 成员1关系, 成员1现住址, 成员1户口所在地行政区划, 成员1联系电话, 成员1是否监护人, ",
    u"成员2姓名, 成员2关系, 成员2现住址, 成员2户口所在地行政区划, 成员2联系电话, 成员2是否监护人, ",
    u"是否进城务工人员随迁子女, 班号, ",
    u"出生地行政区划代码2, 户口所在地行政区划2, 成员1户口所在地行政区划2, 成员2户口所在地行政区划2 ",
};

// The value groups of the INSERT; each %s takes the next column's value.
// The first group ends with a comma and no blank.
constexpr std::array<const char16_t *, 9> kInsertValues = {
    u"'%s', '%s', '%s', '%s', '%s', '%s',",
    u"'%s', '%s', '%s', '%s', '%s', '%s', '%s', ",
    u"'%s', '%s', '%s', '%s', '%s', '%s', '%s', ",
    u"'%s', '%s', '%s', '%s', '%s', '%s', ",
    u"'%s', '%s', '%s', ",
    u"'%s', '%s', '%s', '%s', '%s', '%s', ",
    u"'%s', '%s', '%s', '%s', '%s', '%s', ",
    u"'%s', '%s', ",
    u"'%s', '%s', '%s', '%s' ",
};

// The assignment groups of the UPDATE (班号 is not among them). The stray
// blanks of groups 4, 5 and 8 belong to the statement as it has always read.
constexpr std::array<const char16_t *, 9> kUpdateAssignments = {
    u"姓名='%s', 性别='%s', 出生日期='%s', 出生地行政区划代码='%s', 籍贯='%s', 民族='%s', ",
    u"国籍_地区='%s', 身份证件类型='%s', 港澳台侨外='%s', 健康状况='%s', 政治面貌='%s', 身份证件号='%s', 户口性质='%s', ",
    u"户口所在地行政区划='%s', 入学年月='%s', 入学方式='%s', 就读方式='%s', 现住址='%s', 通信地址='%s', 家庭地址='%s', ",
    u" 联系电话='%s', 邮政编码='%s', 是否独生子女='%s', 是否受过学前教育='%s', 是否留守儿童='%s', 是否需要申请资助='%s',  ",
    u"是否享受一补='%s', 是否孤儿='%s', 是否烈士或优抚子女='%s',  ",
    u"成员1姓名='%s', 成员1关系='%s', 成员1现住址='%s', 成员1户口所在地行政区划='%s', 成员1联系电话='%s', 成员1是否监护人='%s', ",
    u"成员2姓名='%s', 成员2关系='%s', 成员2现住址='%s', 成员2户口所在地行政区划='%s', 成员2联系电话='%s', 成员2是否监护人='%s', ",
    u" 是否进城务工人员随迁子女='%s', ",
    u"出生地行政区划代码2='%s', 户口所在地行政区划2='%s', 成员1户口所在地行政区划2='%s', 成员2户口所在地行政区划2='%s' ",
};

void requireAllColumns(const QStringList &values)
{
    if (values.size() != RecordColumns::Count)
        throw std::invalid_argument("a student record needs exactly 47 column values");
}

// Appends the pattern with each %s replaced by the next value, quotes doubled.
// Replacing piece by piece (not with QString::arg) leaves a "%1" typed into a
// value untouched.
void fill(QString &out, const char16_t *pattern, const QStringList &values, qsizetype &next)
{
    const QString text = QString::fromUtf16(pattern);
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(QLatin1String("%s")); at >= 0; at = text.indexOf(QLatin1String("%s"), from)) {
        out += QStringView(text).mid(from, at - from);
        out += SqlText::escape(values.at(next++));
        from = at + 2;
    }
    out += QStringView(text).mid(from);
}

} // namespace

QString duplicateQuery(const QString &classTable, const QString &name, const QString &cardNo)
{
    return QStringLiteral("Select id from ") + classTable + QStringLiteral(" where (姓名 = '") + SqlText::escape(name)
        + QStringLiteral("') or (身份证件号='") + SqlText::escape(cardNo) + QStringLiteral("')");
}

QString insertStatement(const QString &classTable, const QStringList &values)
{
    requireAllColumns(values);
    QString sql = QStringLiteral("insert into ") + classTable + QStringLiteral(" (");
    for (const char16_t *piece : kInsertColumns)
        sql += QString::fromUtf16(piece);
    sql += QStringLiteral(") values (");
    qsizetype next = 0;
    for (const char16_t *group : kInsertValues)
        fill(sql, group, values, next);
    Q_ASSERT(next == RecordColumns::Count);
    sql += QStringLiteral(" ) ");
    return sql;
}

QString updateStatement(const QString &classTable, const QStringList &values, qint64 id)
{
    requireAllColumns(values);
    QStringList assigned = values;
    assigned.removeAt(RecordColumns::ClassCode);
    QString sql = QStringLiteral("update ") + classTable + QStringLiteral(" set ");
    qsizetype next = 0;
    for (const char16_t *group : kUpdateAssignments)
        fill(sql, group, assigned, next);
    Q_ASSERT(next == RecordColumns::Count - 1);
    sql += QStringLiteral(" where id = ") + QString::number(id);
    return sql;
}

} // namespace SaveStatements
