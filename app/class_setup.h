#pragma once

#include <memory>

#include <QDateTime>
#include <QStringList>

#include "platform/database.h"
#include "core/region/region_tables.h"

class EntryForm;
struct Services;

// The class setup of a run: database mode and connection, start-up date, the
// form's class, entry year and default regions, and the class table (copied
// from Init2 when missing). Runs once, after the class was confirmed.
class ClassSetup final
{
public:
    struct Options
    {
        QString executableFileName; // without directory
        QStringList arguments;      // without the program name
        QString workingDir;         // where the local database file lies
    };

    ClassSetup(Services &services, Options options);
    ~ClassSetup();

    // Connects and prepares the form. Returns false when no connection could
    // be made: the failure message has been shown and the program must end.
    // Later database failures throw and leave the remaining steps undone.
    bool OpenClass(EntryForm &form, const QString &grade, const QString &classNo);

    // Step of OpenClass: the class table, created as an empty copy of Init2
    // when the catalogue lacks it. Another workstation may create it between
    // the look-up and the creation; the table is then used as it is. Throws
    // the database's error when it still does not exist.
    static void ensureClassTable(Database &db, const QString &classTable);

    Database *database() const { return m_db.get(); }
    QString classTable() const { return m_classTable; }
    QDateTime startupDate() const { return m_startup; }
    const RegionTables &regionTables() const { return m_regions; }

private:
    Services &m_services;
    Options m_options;
    std::unique_ptr<Database> m_db;
    QString m_classTable;
    QDateTime m_startup;
    RegionTables m_regions;
};
