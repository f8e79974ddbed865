#pragma once

#include <functional>

#include <QObject>
#include <QString>

#include "core/region/region_tables.h"

class QComboBox;

// One cascading province / city / county picker of the entry form. Picking a
// province refills the city list with that province's cities, picking a city
// refills the county list; every item carries its region's CodeValue as data.
// The lists are owned by the form; the tables must outlive the picker.
// Used on the GUI thread only.
class RegionPicker : public QObject
{
    Q_OBJECT

public:
    // `focusAway` moves the input focus off the lists after each choice.
    RegionPicker(QComboBox *province, QComboBox *city, QComboBox *county, const RegionTables &tables,
                 std::function<void()> focusAway, QObject *parent = nullptr);

    // Appends every province, in code order; the selection is left as it was.
    void fillProvinces();
    // Selects the school's default province and city (广东省 / 佛山市 unless
    // the school set its own; one the tables do not know counts as unset) and
    // offers the city's counties, the default county selected when there is one.
    void selectDefault(const RegionNames &region);
    // Shows a stored region: province, city and county selected by name.
    void showRegion(const RegionNames &names);

    // The value stored for the chosen county ("440604000000"); empty when no
    // county is selected.
    QString storedCode() const;
    // Province, city and county texts joined ("广东省佛山市禅城区").
    QString nameText() const;

    // Change handlers of the province and city lists. They run on the user's
    // choice; the program calls them itself after selecting an item by text.
    void cbProvChange();
    void cbCityChange();

private:
    QComboBox *m_province;
    QComboBox *m_city;
    QComboBox *m_county;
    const RegionTables &m_tables;
    std::function<void()> m_focusAway;
};
