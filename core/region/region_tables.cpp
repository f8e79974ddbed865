#include "region_tables.h"

#include <algorithm>
#include <cstdlib>

#include <QFile>

#include "platform/app_error.h"
#include "platform/text_file.h"

// The embedded tables live in a static library: without this reference the
// linker would drop their registration.
static void initRegionResources()
{
    Q_INIT_RESOURCE(regions);
}

QString ExtractField(const QString &text, QChar separator, int &position)
{
    const int length = int(text.size());
    if (position >= length)
        return QString();
    const int start = std::max(position, 0);
    const int end = int(text.indexOf(separator, start));
    if (end < 0) {
        position = length + 1;
        return text.mid(start);
    }
    position = end + 1;
    return text.mid(start, end - start);
}

namespace {

// Blanks and control characters, as the tables' lines and fields are trimmed.
bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20;
}

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlankOrControl(text.at(first)))
        ++first;
    while (last > first && isBlankOrControl(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

int codeValue(const QString &field, const char *table, int lineNumber)
{
    bool ok = false;
    const int value = field.toInt(&ok, 10);
    if (!ok) {
        throw AppError(QStringLiteral("地区代码表 %1 第 %2 行：“%3”不是有效的整数")
                           .arg(QLatin1String(table))
                           .arg(lineNumber)
                           .arg(field));
    }
    return value;
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

// Parses "code, name[, parent code]" lines into rows; fields past the last one
// the row type holds are ignored, a comma at the end of a line adds no field.
template<typename Row, bool hasParent>
QList<Row> parseTable(const QByteArray &bytes, const char *table)
{
    const QString text = TextFile::decodeGb18030(bytes);
    QList<Row> rows;
    int lineNumber = 0;
    for (const QString &rawLine : splitLines(text)) {
        ++lineNumber;
        const QString line = trimBlanks(rawLine);
        if (line.isEmpty())
            continue;
        Row row;
        int position = 0;
        int fieldNumber = 0;
        while (position < line.size()) {
            const QString field = trimBlanks(ExtractField(line, u',', position));
            ++fieldNumber;
            if (fieldNumber == 1) {
                row.Code = field;
                row.CodeValue = codeValue(field, table, lineNumber);
            } else if (fieldNumber == 2) {
                row.Name = field;
            } else if (fieldNumber == 3) {
                if constexpr (hasParent) {
                    row.ParentCode = field;
                    row.ParentValue = codeValue(field, table, lineNumber);
                }
            }
        }
        rows.append(row);
    }
    return rows;
}

template<typename Row>
void sortByCode(QList<Row> &rows)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.CodeValue < b.CodeValue; });
}

// Halves the window until at most nine rows are left, then scans them.
template<typename Row>
const Row *binaryFind(const QList<Row> &rows, int code)
{
    if (rows.isEmpty())
        return nullptr;
    int lo = 0;
    int hi = int(rows.size()) - 1;
    int mid = hi / 2;
    do {
        if (code < rows.at(mid).CodeValue) {
            hi = mid - 1;
            mid = (lo + hi) / 2;
        } else if (code > rows.at(mid).CodeValue) {
            lo = mid + 1;
            mid = (lo + hi) / 2;
        }
    } while (rows.at(mid).CodeValue != code && std::abs(lo - hi) > 8);
    if (rows.at(mid).CodeValue == code)
        return &rows.at(mid);
    for (int i = lo; i <= hi; ++i) {
        if (rows.at(i).CodeValue == code)
            return &rows.at(i);
    }
    return nullptr;
}

QByteArray readResource(const char *name)
{
    QFile file(QStringLiteral(":/regions/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("地区代码表 %1 无法读取：%2").arg(QLatin1String(name), file.errorString()));
    return file.readAll();
}

} // namespace

void RegionTables::LoadRegionTables()
{
    initRegionResources();
    LoadRegionTables(readResource("g_Province"), readResource("g_City"), readResource("g_Area"));
}

void RegionTables::LoadRegionTables(const QByteArray &provinces, const QByteArray &cities, const QByteArray &areas)
{
    // Parsed into locals first, so that a bad table leaves the lists as they were.
    QList<TCODE_PROV_DATA> provinceRows = parseTable<TCODE_PROV_DATA, false>(provinces, "g_Province");
    QList<TCODE_CITY_DATA> cityRows = parseTable<TCODE_CITY_DATA, true>(cities, "g_City");
    QList<TCODE_AREA_DATA> areaRows = parseTable<TCODE_AREA_DATA, true>(areas, "g_Area");
    sortByCode(provinceRows);
    sortByCode(cityRows);
    sortByCode(areaRows);
    m_provinces = std::move(provinceRows);
    m_cities = std::move(cityRows);
    m_areas = std::move(areaRows);
}

const TCODE_AREA_DATA *RegionTables::FindAreaByCode(int code) const
{
    return binaryFind(m_areas, code);
}

const TCODE_CITY_DATA *RegionTables::FindCityByCode(int code) const
{
    return binaryFind(m_cities, code);
}

const TCODE_PROV_DATA *RegionTables::FindProvinceByCode(int code) const
{
    for (const TCODE_PROV_DATA &row : m_provinces) {
        if (row.CodeValue == code)
            return &row;
    }
    return nullptr;
}

RegionNames RegionTables::ResolveRegionCode(int code) const
{
    RegionNames names;
    const TCODE_AREA_DATA *area = FindAreaByCode(code);
    if (!area)
        return names;
    names.county = area->Name;
    const TCODE_CITY_DATA *city = FindCityByCode(area->ParentValue);
    if (!city)
        return names;
    names.city = city->Name;
    const TCODE_PROV_DATA *province = FindProvinceByCode(city->ParentValue);
    if (!province)
        return names;
    names.province = province->Name;
    return names;
}
