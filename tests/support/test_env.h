#pragma once

#include <memory>
#include <optional>

#include <QTemporaryDir>

#include "platform/clock.h"
#include "platform/services.h"
#include "platform/sql_database.h"
#include "recording_desktop.h"
#include "scripted_messages.h"

// Everything a test needs around the code under test: scripted message boxes,
// a fixed clock, a recording desktop, a temporary program folder and a fresh
// database holding the templates Init1 and Init2.
//
// The database is a SQLite file in the folder, or a new database on the
// PostgreSQL server named by TAVRO_TEST_PG ("host:port/database/user/password",
// the database being one to connect to for creating others), dropped again at
// the end. Without an engine argument the engine is TAVRO_TEST_ENGINE
// ("sqlite" when unset): CTest runs the test files that say so on both.
struct TestEnv
{
    explicit TestEnv(const QDateTime &now = defaultNow());
    TestEnv(const QString &engine, const QDateTime &now = defaultNow());
    ~TestEnv();
    TestEnv(const TestEnv &) = delete;
    TestEnv &operator=(const TestEnv &) = delete;

    QTemporaryDir dir;
    ScriptedMessages messages;
    FixedClock clock;
    RecordingDesktop desktop;
    Services services;
    QString engine;                // "sqlite" or "postgresql"
    ServerSettings serverSettings; // PostgreSQL: how to reach this test's database
    std::unique_ptr<SqlDatabase> db;

    QString path(const QString &name) const { return dir.filePath(name); }
    // A class table copied from Init2, as the class setup makes it.
    void createClassTable(const QString &name);
    // A second, independent connection to the same database.
    std::unique_ptr<SqlDatabase> connectAgain() const;
    // Writes config.ini into the program folder pointing at this database
    // (PostgreSQL only), with the given Engine value; returns its path.
    QString writeConfigIni(const QString &engineValue = QStringLiteral("PostgreSQL")) const;

    // Runs a statement on the server's maintenance database (PostgreSQL only),
    // for what cannot be done from inside the test's own database.
    void serverAdmin(const QString &sql) const;

    static QDateTime defaultNow() { return QDateTime(QDate(2015, 10, 15), QTime(10, 30)); }
    static QString defaultEngine();
    // The PostgreSQL server of TAVRO_TEST_PG (its database is the maintenance one).
    static std::optional<ServerSettings> postgresServer();
    static bool engineAvailable(const QString &engine);
    // Adds a column "engine" with one row per engine, for data-driven tests.
    static void addEngineRows();
};

// Skips the current test function when the engine cannot be reached here.
#define TAVRO_REQUIRE_ENGINE(engine)                                                                     \
    do {                                                                                                 \
        if (!TestEnv::engineAvailable(engine))                                                           \
            QSKIP("no PostgreSQL server for the tests (set TAVRO_TEST_PG=host:port/database/user/password)"); \
    } while (false)
