#include "import_values.h"

#include <algorithm>

#include <QRegularExpression>

#include "core/record/entry_rules.h"
#include "core/record/item_lists.h"
#include "core/record/record_rules.h"
#include "core/record/stored_value.h"
#include "core/region/region_tables.h"

namespace {

using RecordSchema::Feed;

void addName(QHash<QString, QList<int>> &map, const QString &name, int code)
{
    QList<int> &codes = map[name];
    if (!codes.contains(code))
        codes << code;
}

QString withoutBlanks(const QString &text)
{
    QString out = EntryRules::halfWidth(text);
    out.remove(QLatin1Char(' '));
    out.remove(QChar(0x3000));
    return out.trimmed();
}

// The cell's text as a reason quotes it: control characters shown as one
// replacement mark, a long text cut after 30 characters.
QString quoted(const QString &text)
{
    constexpr qsizetype Shown = 30;
    QString out = text.left(Shown);
    for (QChar &c : out) {
        if (c.category() == QChar::Other_Control)
            c = QChar(QChar::ReplacementCharacter);
    }
    if (text.size() > Shown)
        out += QStringLiteral("…");
    return out;
}

QString refused(const QString &column, const QString &text, const QString &why)
{
    return QStringLiteral("%1：“%2”%3").arg(column, quoted(text), why);
}

bool hasControl(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

ImportValues::ImportValues(const RegionTables &regions)
    : m_regions(regions), m_limits(RecordColumns::Count)
{
    for (const RecordSchema::Column &column : RecordSchema::columns())
        m_limits[column.order] = maxLength(column);
    for (const TCODE_AREA_DATA &area : regions.AreaList()) {
        const RegionNames names = regions.ResolveRegionCode(area.CodeValue);
        addName(m_byName, names.province + names.city + names.county, area.CodeValue);
        addName(m_byName, names.city + names.county, area.CodeValue);
        addName(m_byName, names.province + names.county, area.CodeValue);
        addName(m_byName, names.county, area.CodeValue);
    }
}

QDate ImportValues::parseDate(const SheetCell &cell)
{
    if (cell.kind == SheetCell::Kind::Date)
        return cell.date;
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression separated(
        QStringLiteral("^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?(\\s+\\d{1,2}:\\d{2}(:\\d{2})?)?$"));
    const QString text = EntryRules::halfWidth(cell.text).trimmed();
    if (text.size() == 8 && EntryRules::IsAllDigits(text)) // the common 20090315, without a pattern
        return QDate(QStringView(text).left(4).toInt(), QStringView(text).mid(4, 2).toInt(), QStringView(text).right(2).toInt());
    QRegularExpressionMatch m = compact.match(text);
    if (!m.hasMatch())
        m = separated.match(text);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

int ImportValues::maxLength(const RecordSchema::Column &column)
{
    constexpr int ColumnWidth = 255;
    return column.maxLength > 0 ? qMin(column.maxLength, ColumnWidth) : ColumnWidth;
}

QString ImportValues::regionNames(const QString &storedCode) const
{
    bool ok = false;
    const int code = storedCode.left(6).toInt(&ok);
    if (!ok)
        return {};
    const RegionNames names = m_regions.ResolveRegionCode(code);
    if (names.county.isEmpty())
        return {};
    return names.province + names.city + names.county;
}

ImportValues::Value ImportValues::region(const QString &columnName, const QString &text) const
{
    const QString wanted = withoutBlanks(text);
    if (EntryRules::IsAllDigits(wanted)) {
        if (wanted.size() != 6 && wanted.size() != 9 && wanted.size() != 12)
            return {{}, refused(columnName, text, QStringLiteral("不是 6、9 或 12 位的行政区划代码"))};
        const int code = wanted.left(6).toInt();
        if (!m_regions.FindAreaByCode(code))
            return {{}, refused(columnName, text, QStringLiteral("不是已知的县级行政区划代码"))};
        return {StoredValue::encodeRegionCode(code), {}};
    }
    const QList<int> codes = m_byName.value(wanted);
    if (codes.isEmpty())
        return {{}, refused(columnName, text, QStringLiteral("找不到这个地区，请写出省、市、县（区）的全名或 6 位代码"))};
    if (codes.size() > 1) {
        QStringList candidates;
        for (int code : codes)
            candidates << regionNames(StoredValue::encodeRegionCode(code));
        return {{}, refused(columnName, text, QStringLiteral("对应多个地区（%1），请写出省市县全名或代码").arg(candidates.join(QStringLiteral("、"))))};
    }
    return {StoredValue::encodeRegionCode(codes.first()), {}};
}

ImportValues::Value ImportValues::convert(const RecordSchema::Column &column, const SheetCell &cell) const
{
    const auto name = [&] { return QString::fromUtf16(column.name); };
    if (cell.isEmpty())
        return {};
    switch (column.feed) {
    case Feed::Typed:
    case Feed::ClassCode:
    case Feed::RegionNames: {
        const QString text = RecordRules::normalizedTyped(column.order, cell.text);
        if (hasControl(text))
            return {{}, refused(name(), text, QStringLiteral("含有换行、制表符等控制字符，请删去后再导入"))};
        const int limit = m_limits.at(column.order);
        if (text.size() > limit)
            return {{}, refused(name(), text, QStringLiteral("有 %1 个字，超过了这一栏最多 %2 个字的限制").arg(text.size()).arg(limit))};
        return {text, {}};
    }
    case Feed::Item: {
        const QString item = ItemLists::of(column.order).match(cell.text);
        if (item.isEmpty())
            return {{}, refused(name(), cell.text.trimmed(), QStringLiteral("不是列表中的一项"))};
        return {item, {}};
    }
    case Feed::BirthDate: {
        const QDate date = parseDate(cell);
        if (!date.isValid())
            return {{}, refused(name(), cell.text.trimmed(), QStringLiteral("不是日期，请写成 20090315、2009-03-15 或 2009/3/15"))};
        return {StoredValue::encodeBirthDate(date), {}};
    }
    case Feed::RegionCode:
        return region(name(), cell.text);
    case Feed::EntryYearMonth: {
        static const QRegularExpression yearMonth(QStringLiteral("^(\\d{4})\\s*[-/.年]?\\s*(\\d{1,2})\\s*月?$"));
        const QString text = withoutBlanks(cell.text);
        QRegularExpressionMatch m = yearMonth.match(text);
        QString year;
        int month = 0;
        if (cell.kind == SheetCell::Kind::Date) {
            year = QString::number(cell.date.year());
            month = cell.date.month();
        } else if (m.hasMatch()) {
            year = m.captured(1);
            month = m.captured(2).toInt();
        } else if (const QDate date = parseDate(cell); date.isValid()) {
            year = QString::number(date.year());
            month = date.month();
        }
        if (year.isEmpty() || month < 1 || month > 12)
            return {{}, refused(name(), cell.text.trimmed(), QStringLiteral("不是入学年月，请写成 201509 或 2015-09"))};
        return {StoredValue::encodeEntryYearMonth(year, QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0'))), {}};
    }
    }
    return {};
}
