#include "school_region_tab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/keeping/school_settings.h"
#include "platform/guard.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "region/region_picker.h"

namespace {

QComboBox *regionList(const QString &name, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    list->setAccessibleName(name);
    list->setMinimumWidth(140);
    list->setMaxVisibleItems(20);
    return list;
}

QString joined(const RegionNames &region)
{
    QStringList names{region.province, region.city, region.county};
    names.removeAll(QString());
    return names.join(QLatin1Char(' '));
}

} // namespace

SchoolRegionTab::SchoolRegionTab(Database &db, Services &services, std::function<const RegionTables &()> regions,
                                 QWidget *parent)
    : QWidget(parent), m_db(db), m_services(services), m_regions(std::move(regions)),
      m_province(regionList(QStringLiteral("默认省份"), this)), m_city(regionList(QStringLiteral("默认城市"), this)),
      m_county(regionList(QStringLiteral("默认区县"), this)),
      m_save(new QPushButton(QStringLiteral("设为默认地区"), this)),
      m_builtIn(new QPushButton(QStringLiteral("恢复为广东省佛山市"), this)), m_current(new QLabel(this))
{
    auto *intro = new QLabel(QStringLiteral("新录入学生的出生地、籍贯、户口所在地和现住址从这里选定的省份和城市"
                                            "（和区县）开始。设置保存在数据库中，使用这个数据库的每台电脑都一样。"),
                             this);
    intro->setWordWrap(true);
    m_current->setWordWrap(true);
    m_current->setAccessibleName(QStringLiteral("当前默认地区"));
    m_save->setAccessibleName(m_save->text());
    m_builtIn->setAccessibleName(m_builtIn->text());

    auto *lists = new QHBoxLayout;
    lists->addWidget(m_province);
    lists->addWidget(m_city);
    lists->addWidget(m_county);
    lists->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_save);
    buttons->addWidget(m_builtIn);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(lists);
    layout->addLayout(buttons);
    layout->addWidget(m_current);
    layout->addStretch();

    connect(m_save, &QPushButton::clicked, this, &SchoolRegionTab::save);
    connect(m_builtIn, &QPushButton::clicked, this, &SchoolRegionTab::returnToBuiltIn);
}

void SchoolRegionTab::showStored()
{
    runGuarded(m_services.messages, [&] {
        if (!m_picker) {
            m_picker = new RegionPicker(m_province, m_city, m_county, m_regions(), {}, this);
            m_picker->fillProvinces();
        }
        m_picker->selectDefault(SchoolSettings::defaultRegion(m_db));
        showCurrentText();
    });
}

void SchoolRegionTab::showCurrentText()
{
    m_current->setText(QStringLiteral("当前默认地区：") + joined(SchoolSettings::defaultRegion(m_db)));
}

void SchoolRegionTab::save()
{
    if (m_province->currentIndex() < 0) {
        m_services.messages.showMessage(QStringLiteral("请先选择省份。"));
        return;
    }
    runGuarded(m_services.messages, [&] {
        RegionNames region;
        region.province = m_province->currentText();
        region.city = m_city->currentText();
        region.county = m_county->currentText();
        SchoolSettings::setDefaultRegion(m_db, region);
        showCurrentText();
        m_services.messages.showMessage(QStringLiteral("默认地区已设为 %1。之后的新记录都从这里开始。").arg(joined(region)));
    });
}

void SchoolRegionTab::returnToBuiltIn()
{
    runGuarded(m_services.messages, [&] {
        SchoolSettings::setDefaultRegion(m_db, RegionNames());
        showStored();
    });
}
