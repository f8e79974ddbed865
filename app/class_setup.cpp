#include "class_setup.h"

#include "app/database_connection.h"
#include "core/operations/daily_backup.h"
#include "core/operations/template_tables.h"
#include "app/database_mode.h"
#include "core/record/entry_year.h"
#include "entry/entry_form.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/table_name.h"

ClassSetup::ClassSetup(Services &services, Options options)
    : m_services(services), m_options(std::move(options))
{
}

ClassSetup::~ClassSetup() = default;

void ClassSetup::ensureClassTable(Database &db, const QString &classTable)
{
    TemplateTables::ensureClassTable(db, classTable);
}

bool ClassSetup::OpenClass(EntryForm &form, const QString &grade, const QString &classNo)
{
    const bool localFile = DatabaseMode::isLocalFile(m_options.executableFileName, m_options.arguments);
    m_classTable = grade + classNo;

    // Another class (换班级): the form lets go of the connection the new one replaces.
    form.setClassSession(nullptr, QString(), grade, classNo);
    m_db = localFile ? DatabaseConnection::openLocalFile(m_services, m_options.workingDir, &form)
                     : DatabaseConnection::openServer(m_services.configFile());
    if (!m_db) {
        m_services.messages.showMessage(DatabaseConnection::failureMessage());
        return false;
    }
    if (localFile) {
        const QString notice = DailyBackup::run(m_services.clock, *m_db);
        if (!notice.isEmpty())
            m_services.messages.showMessage(notice);
    }

    m_startup = localFile ? m_services.clock.now() : m_db->currentDateTime();
    form.setStartupDate(m_startup);
    form.setEntryYears(EntryYear::newestListed(m_startup.date()));
    form.ResetEntryForm();
    form.showClass(grade, classNo);
    form.preselectEntryYear(EntryYear::forGrade(grade, m_startup.date()));

    ensureClassTable(*m_db, m_classTable);
    form.setClassSession(m_db.get(), m_classTable, grade, classNo);

    m_regions.LoadRegionTables();
    form.setRegionTables(&m_regions);
    form.fillProvincePickers();
    form.selectDefaultRegions();
    return true;
}
