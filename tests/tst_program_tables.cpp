// The program's own tables: the school's settings, the history, and that no
// list, merge or check takes them for class tables.
// Runs on every database engine.
#include <QtTest>

#include "core/import/class_import.h"
#include "core/region/region_tables.h"
#include "core/keeping/history.h"
#include "core/keeping/school_settings.h"
#include "core/operations/table_lists.h"
#include "core/operations/table_merge.h"
#include "platform/app_error.h"
#include "test_env.h"

class TestProgramTables : public QObject
{
    Q_OBJECT

private slots:
    void schoolRegionIsSharedByEveryConnection();
    void ownTablesAreNoClassTables();
    void historyLinesGetTheirKeys();
};

void TestProgramTables::schoolRegionIsSharedByEveryConnection()
{
    TestEnv env;
    QCOMPARE(SchoolSettings::defaultRegion(*env.db).city, QStringLiteral("佛山市"));

    RegionNames hunan;
    hunan.province = QStringLiteral("湖南省");
    hunan.city = QStringLiteral("长沙市");
    hunan.county = QStringLiteral("岳麓区");
    SchoolSettings::setDefaultRegion(*env.db, hunan);
    const auto other = env.connectAgain();
    const RegionNames read = SchoolSettings::defaultRegion(*other);
    QCOMPARE(read.province + read.city + read.county, QStringLiteral("湖南省长沙市岳麓区"));

    // An empty province returns every workstation to the built-in default.
    SchoolSettings::setDefaultRegion(*other, RegionNames());
    const RegionNames back = SchoolSettings::defaultRegion(*env.db);
    QCOMPARE(back.province + back.city + back.county, QStringLiteral("广东省佛山市"));
}

void TestProgramTables::ownTablesAreNoClassTables()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    SchoolSettings::setValue(*env.db, QStringLiteral("x"), QStringLiteral("1"));
    History::prepare(*env.db);

    const QStringList listed = TableLists::tableNames(*env.db);
    QVERIFY(listed.contains(QStringLiteral("高一01")));
    for (const QString &name : listed)
        QVERIFY2(!name.startsWith(QStringLiteral("tavro_"), Qt::CaseInsensitive), qPrintable(name));

    // A merge drops its target first: the history must never be one.
    QVERIFY(!TableMerge::refusal(QStringLiteral("TAVRO_history"), {QStringLiteral("高一01")}).isEmpty());
    QVERIFY_THROWS_EXCEPTION(AppError, TableMerge::mergeTables(*env.db, {QStringLiteral("高一01")},
                                                               QStringLiteral("tavro_history"), true));
    QVERIFY(env.db->tableNames().contains(QStringLiteral("tavro_history"), Qt::CaseInsensitive));
    // Nor does an import take pupils into one, whatever the window's class box says.
    RegionTables regions;
    QVERIFY_THROWS_EXCEPTION(AppError, ClassImport(*env.db, regions, env.clock.now())
                                           .prepare(env.path(QStringLiteral("x.csv")), QString(), QStringLiteral("tavro_removed")));
}

void TestProgramTables::historyLinesGetTheirKeys()
{
    TestEnv env;
    History::prepare(*env.db);
    History::prepare(*env.connectAgain()); // made already: no failure

    HistoryEntry line;
    line.kind = QStringLiteral("导入");
    line.classTable = QStringLiteral("高一01");
    const qint64 first = History::write(*env.db, {line, line});
    const qint64 next = History::write(*env.db, {line});
    QVERIFY(first > 0);
    QCOMPARE(next, first + 2);
    const QueryResult rows = env.db->query(QStringLiteral("select who, at_time from tavro_history order by id"));
    QCOMPARE(rows.rowCount(), 3);
    QVERIFY(rows.text(0, 0).contains(QLatin1Char('@')));
    QVERIFY(rows.text(0, 1).startsWith(QStringLiteral("20")));
}

QTEST_GUILESS_MAIN(TestProgramTables)
#include "tst_program_tables.moc"
