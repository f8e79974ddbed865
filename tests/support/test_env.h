#pragma once

#include <memory>

#include <QTemporaryDir>

#include "platform/clock.h"
#include "platform/services.h"
#include "platform/sql_database.h"
#include "recording_desktop.h"
#include "scripted_messages.h"

// Everything a test needs around the code under test: scripted message boxes,
// a fixed clock, a recording desktop, a temporary program folder and a fresh
// SQLite database in it holding the templates Init1 and Init2.
struct TestEnv
{
    explicit TestEnv(const QDateTime &now = QDateTime(QDate(2015, 10, 15), QTime(10, 30)));

    QTemporaryDir dir;
    ScriptedMessages messages;
    FixedClock clock;
    RecordingDesktop desktop;
    Services services;
    std::unique_ptr<SqlDatabase> db;

    QString path(const QString &name) const { return dir.filePath(name); }
    // A class table copied from Init2, as the class setup makes it.
    void createClassTable(const QString &name);
};
