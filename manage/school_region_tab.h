#pragma once

#include <functional>

#include <QWidget>

class Database;
class QComboBox;
class QLabel;
class QPushButton;
class RegionPicker;
class RegionTables;
struct Services;

// The management window's tab "学校设置": the province, city and county every
// new record of this database starts with, on every workstation. Used from the
// user-interface thread only.
class SchoolRegionTab final : public QWidget
{
    Q_OBJECT

public:
    // `regions` hands out the loaded region tables (loaded on first use).
    SchoolRegionTab(Database &db, Services &services, std::function<const RegionTables &()> regions,
                    QWidget *parent = nullptr);

    // Fills the lists on the first call and shows the stored default.
    void showStored();

    QComboBox *provinceList() const { return m_province; }
    QComboBox *cityList() const { return m_city; }
    QComboBox *countyList() const { return m_county; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *builtInButton() const { return m_builtIn; }

private:
    void save();
    void returnToBuiltIn();
    void showCurrentText();

    Database &m_db;
    Services &m_services;
    std::function<const RegionTables &()> m_regions;
    QComboBox *m_province;
    QComboBox *m_city;
    QComboBox *m_county;
    QPushButton *m_save;
    QPushButton *m_builtIn;
    QLabel *m_current;
    RegionPicker *m_picker = nullptr;
};
