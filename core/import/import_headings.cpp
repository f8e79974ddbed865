#include "import_headings.h"

#include <QHash>
#include <QRegularExpression>

#include "core/record/record_columns.h"

namespace ImportHeadings {

namespace {

QString normalized(const QString &heading)
{
    static const QRegularExpression numbering(QStringLiteral("^[0-9]+[.．、]"));
    QString text = heading;
    text.remove(QLatin1Char(' '));
    text.remove(QChar(0x3000));
    text = text.trimmed();
    text.remove(numbering);
    return text.toLower();
}

} // namespace

const QList<QPair<QString, QString>> &alternatives()
{
    static const QList<QPair<QString, QString>> list = {
        {QStringLiteral("学生姓名"), QStringLiteral("姓名")},
        {QStringLiteral("出生年月日"), QStringLiteral("出生日期")},
        {QStringLiteral("生日"), QStringLiteral("出生日期")},
        {QStringLiteral("出生地"), QStringLiteral("出生地行政区划代码")},
        {QStringLiteral("出生地代码"), QStringLiteral("出生地行政区划代码")},
        {QStringLiteral("国籍"), QStringLiteral("国籍_地区")},
        {QStringLiteral("国籍/地区"), QStringLiteral("国籍_地区")},
        {QStringLiteral("证件类型"), QStringLiteral("身份证件类型")},
        {QStringLiteral("身份证号"), QStringLiteral("身份证件号")},
        {QStringLiteral("身份证号码"), QStringLiteral("身份证件号")},
        {QStringLiteral("证件号码"), QStringLiteral("身份证件号")},
        {QStringLiteral("户籍所在地"), QStringLiteral("户口所在地行政区划")},
        {QStringLiteral("户口所在地"), QStringLiteral("户口所在地行政区划")},
        {QStringLiteral("户籍性质"), QStringLiteral("户口性质")},
        {QStringLiteral("入学时间"), QStringLiteral("入学年月")},
        {QStringLiteral("住址"), QStringLiteral("现住址")},
        {QStringLiteral("家庭住址"), QStringLiteral("家庭地址")},
        {QStringLiteral("电话"), QStringLiteral("联系电话")},
        {QStringLiteral("邮编"), QStringLiteral("邮政编码")},
        {QStringLiteral("独生子女"), QStringLiteral("是否独生子女")},
        {QStringLiteral("留守儿童"), QStringLiteral("是否留守儿童")},
    };
    return list;
}

int columnOf(const QString &heading)
{
    static const QHash<QString, int> known = [] {
        QHash<QString, int> map;
        const QStringList &columns = RecordColumns::dataColumns();
        for (const QString &national : RecordColumns::nationalColumns())
            map.insert(normalized(national), Ignored);
        for (const auto &[alternative, column] : alternatives())
            map.insert(normalized(alternative), int(columns.indexOf(column)));
        for (int i = 0; i < columns.size(); ++i)
            map.insert(normalized(columns.at(i)), i);
        map.insert(QStringLiteral("id"), Ignored);
        return map;
    }();
    const QString key = normalized(heading);
    if (key.isEmpty())
        return Ignored;
    return known.value(key, Unknown);
}

RowFit fitOf(const QStringList &cells)
{
    bool name = false, other = false;
    for (const QString &cell : cells) {
        const int column = columnOf(cell);
        name = name || column == RecordColumns::Name;
        other = other || (column >= 0 && column != RecordColumns::Name);
    }
    return !name ? RowFit::None : other ? RowFit::Full : RowFit::NameOnly;
}

} // namespace ImportHeadings
