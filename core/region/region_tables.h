#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>

// One row of the province table.
struct TCODE_PROV_DATA
{
    QString Code;
    QString Name;
    int CodeValue = 0;
};

// One row of the city table; ParentValue is the CodeValue of its province.
struct TCODE_CITY_DATA
{
    QString Code;
    QString Name;
    QString ParentCode;
    int CodeValue = 0;
    int ParentValue = 0;
};

// One row of the county table; ParentValue is the CodeValue of its city.
struct TCODE_AREA_DATA
{
    QString Code;
    QString Name;
    QString ParentCode;
    int CodeValue = 0;
    int ParentValue = 0;
};

// The three names of a county code; all empty when the code is unknown.
struct RegionNames
{
    QString county;
    QString city;
    QString province;
};

// Returns the characters after `position` up to, not including, the next
// separator (or the end of the text). `position` counts the characters
// consumed so far: afterwards it stands just past that separator, or at the
// text's length plus one when no separator followed. At or past the end of
// the text the result is empty and `position` stays as it is.
QString ExtractField(const QString &text, QChar separator, int &position);

// The province, city and county code tables (GB/T 2260) behind the region
// pickers, loaded once from the program's embedded resources and read-only
// afterwards. Used on the GUI thread only.
class RegionTables
{
public:
    // Fills the three lists from the embedded resources g_Province, g_City and
    // g_Area. Throws FileError when a resource is missing and AppError when a
    // code is not a decimal integer.
    void LoadRegionTables();

    // The same from the given GBK texts; used by LoadRegionTables and by tests.
    void LoadRegionTables(const QByteArray &provinces, const QByteArray &cities, const QByteArray &areas);

    // Rows in ascending order of CodeValue.
    const QList<TCODE_PROV_DATA> &ProvinceList() const { return m_provinces; }
    const QList<TCODE_CITY_DATA> &CityList() const { return m_cities; }
    const QList<TCODE_AREA_DATA> &AreaList() const { return m_areas; }

    // The row whose CodeValue equals `code`, or nullptr. The pointers stay
    // valid until the tables are loaded again.
    const TCODE_AREA_DATA *FindAreaByCode(int code) const;
    const TCODE_CITY_DATA *FindCityByCode(int code) const;
    const TCODE_PROV_DATA *FindProvinceByCode(int code) const;

    // County, city and province name of a county code; empty names from the
    // first level that is not found.
    RegionNames ResolveRegionCode(int code) const;

private:
    QList<TCODE_PROV_DATA> m_provinces;
    QList<TCODE_CITY_DATA> m_cities;
    QList<TCODE_AREA_DATA> m_areas;
};
