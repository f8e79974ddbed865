#include "region_picker.h"

#include <utility>

#include <QComboBox>
#include <QSignalBlocker>

#include "core/keeping/school_settings.h"
#include "core/record/stored_value.h"
#include "region/picker_select_by_text.h"

namespace {

// The value of the chosen item, or nothing when the list has no choice.
bool selectedValue(const QComboBox *list, int &value)
{
    if (list->currentIndex() < 0 || list->currentText().isEmpty())
        return false;
    value = list->currentData().toInt();
    return true;
}

// Appends the rows whose parent is `parentValue`, in list order, and leaves
// the list without a selection (a combo box selects the first item it gets).
template<typename Row>
void fillChildren(QComboBox *list, const QList<Row> &rows, int parentValue)
{
    const QSignalBlocker blocker(list);
    for (const Row &row : rows) {
        if (row.ParentValue == parentValue)
            list->addItem(row.Name, row.CodeValue);
    }
    list->setCurrentIndex(-1);
}

void clearList(QComboBox *list)
{
    const QSignalBlocker blocker(list);
    list->clear();
}

} // namespace

RegionPicker::RegionPicker(QComboBox *province, QComboBox *city, QComboBox *county, const RegionTables &tables,
                           std::function<void()> focusAway, QObject *parent)
    : QObject(parent)
    , m_province(province)
    , m_city(city)
    , m_county(county)
    , m_tables(tables)
    , m_focusAway(std::move(focusAway))
{
    connect(m_province, &QComboBox::activated, this, &RegionPicker::cbProvChange);
    connect(m_city, &QComboBox::activated, this, &RegionPicker::cbCityChange);
}

void RegionPicker::fillProvinces()
{
    const QSignalBlocker blocker(m_province);
    const int selected = m_province->currentIndex();
    for (const TCODE_PROV_DATA &row : m_tables.ProvinceList())
        m_province->addItem(row.Name, row.CodeValue);
    m_province->setCurrentIndex(selected);
}

void RegionPicker::selectDefault(const RegionNames &region)
{
    SelectItemByText(m_province, region.province);
    // A stored default the tables no longer know: the built-in one.
    const RegionNames builtIn = SchoolSettings::builtInRegion();
    if (m_province->currentIndex() < 0 && region.province != builtIn.province) {
        selectDefault(builtIn);
        return;
    }
    cbProvChange();
    SelectItemByText(m_city, region.city);
    cbCityChange();
    if (!region.county.isEmpty())
        SelectItemByText(m_county, region.county);
}

void RegionPicker::showRegion(const RegionNames &names)
{
    SelectItemByText(m_province, names.province);
    cbProvChange();
    SelectItemByText(m_city, names.city);
    cbCityChange();
    SelectItemByText(m_county, names.county);
}

QString RegionPicker::storedCode() const
{
    int value = 0;
    if (!selectedValue(m_county, value))
        return QString();
    return StoredValue::encodeRegionCode(value);
}

QString RegionPicker::nameText() const
{
    return m_province->currentText() + m_city->currentText() + m_county->currentText();
}

void RegionPicker::cbProvChange()
{
    if (m_focusAway)
        m_focusAway();
    clearList(m_city);
    clearList(m_county);
    int province = 0;
    if (!selectedValue(m_province, province))
        return;
    fillChildren(m_city, m_tables.CityList(), province);
}

void RegionPicker::cbCityChange()
{
    if (m_focusAway)
        m_focusAway();
    clearList(m_county);
    int city = 0;
    if (!selectedValue(m_city, city))
        return;
    fillChildren(m_county, m_tables.AreaList(), city);
}
