// Runs on every database engine.
// A table name can only ever name its own table: names that hold SQL pass
// through every operation as names, and a merge is all or nothing.

#include <csignal>

#include <QApplication>
#include <QProcess>
#include <QtTest>

#include "core/import/class_import.h"
#include "core/operations/data_checks.h"
#include "core/operations/export_tables.h"
#include "manage/presented_operations.h"
#include "core/operations/region_code_padding.h"
#include "core/operations/table_lists.h"
#include "core/operations/table_merge.h"
#include "core/operations/template_printing.h"
#include "core/record/record_columns.h"
#include "core/record/record_loader.h"
#include "core/record/record_saver.h"
#include "core/region/region_tables.h"
#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/sql_name.h"
#include "platform/table_name.h"
#include "platform/text_file.h"
#include "print_test_support.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

// Begins with 高, so the management window selects it with the class tables.
const QString kStatementName = QStringLiteral("高一01; drop table 高一02");
// Would make the padding rewrite every name of 高一02 if it went in unquoted.
const QString kUpdateTailName = QStringLiteral("高一02 set 姓名 = '坏' --");

QStringList names(Database &db, const QString &table)
{
    QStringList out;
    for (const QVariantList &row : db.query(QStringLiteral("select 姓名 from ") + TableName(table).sql(db) +
                                            QStringLiteral(" order by 姓名")).rows)
        out << row.at(0).toString();
    return out;
}

// Passes statements to a real database and kills the process when the merge
// has copied its first table, halfway through its transaction.
class DyingDatabase final : public Database
{
public:
    explicit DyingDatabase(Database &inner) : m_inner(inner) {}
    Engine engine() const override { return m_inner.engine(); }
    QueryResult query(const SqlStatement &sql) override { return m_inner.query(sql); }
    qint64 execute(const SqlStatement &sql) override
    {
        if (sql.text.startsWith(QLatin1String("insert into")) && m_inserts++ == 1)
            std::raise(SIGKILL);
        return m_inner.execute(sql);
    }
    QStringList tableNames() override { return m_inner.tableNames(); }
    QDateTime currentDateTime() override { return m_inner.currentDateTime(); }
    void beginTransaction() override { m_inner.beginTransaction(); }
    void commitTransaction() override { m_inner.commitTransaction(); }
    void rollbackTransaction() override { m_inner.rollbackTransaction(); }
    QString filePath() const override { return m_inner.filePath(); }

private:
    Database &m_inner;
    int m_inserts = 0;
};

int mergeAndDie(const QString &path)
{
    auto db = SqlDatabase::openSqlite(path, SqliteMode::ReadWrite);
    DyingDatabase dying(*db);
    TableMerge::mergeTables(dying, {QStringLiteral("高一01"), QStringLiteral("高一02")}, TableMerge::defaultTarget(), true);
    return 0; // not reached
}

} // namespace

class TestTableNameSafety : public QObject
{
    Q_OBJECT

private slots:
    void quotingFollowsTheEngine_data();
    void quotingFollowsTheEngine();
    void everyOperationNamesOnlyItsOwnTable();
    void importAndSaveWriteIntoTheirOwnTable();
    void mergeKilledMidwayLeavesTheEarlierMergeWhole();
};

void TestTableNameSafety::quotingFollowsTheEngine_data()
{
    QTest::addColumn<Database::Engine>("engine");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain class table") << Database::Engine::SqlServer << "高一01" << "高一01";
    QTest::newRow("plain latin") << Database::Engine::PostgreSql << "Merge_2015" << "Merge_2015";
    QTest::newRow("statement, SQL Server") << Database::Engine::SqlServer << "a]; drop table b" << "[a]]; drop table b]";
    QTest::newRow("statement, SQLite") << Database::Engine::Sqlite << "a\"; drop table b" << "\"a\"\"; drop table b\"";
    QTest::newRow("leading digit") << Database::Engine::PostgreSql << "2015届" << "\"2015届\"";
    QTest::newRow("full-width digits") << Database::Engine::Sqlite << "高一０１" << "\"高一０１\"";
}

void TestTableNameSafety::quotingFollowsTheEngine()
{
    QFETCH(Database::Engine, engine);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(TableName(name).sql(engine), expected);
    QCOMPARE(SqlName::unquoted(expected), name);
    QVERIFY_THROWS_EXCEPTION(AppError, TableName(name + QLatin1Char('\n')).sql(engine));
}

void TestTableNameSafety::everyOperationNamesOnlyItsOwnTable()
{
    TestEnv env;
    for (const QString &table : {QStringLiteral("高一02"), kStatementName, kUpdateTailName})
        env.createClassTable(table);
    insertStudent(*env.db, QStringLiteral("高一02"),
                  {{QStringLiteral("姓名"), "李四"}, {QStringLiteral("出生地行政区划代码"), "440606"}});
    insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), "王五"}});
    for (const QString &table : {kStatementName, kUpdateTailName})
        insertStudent(*env.db, table, {{QStringLiteral("姓名"), "赵六"}, {QStringLiteral("出生地行政区划代码"), "440606"}});

    // The default selection takes every name beginning with 高.
    const QStringList listed = TableLists::tableNames(*env.db);
    QStringList tables;
    for (int i = 0; i < listed.size(); ++i) {
        if (TableLists::classTableSelection(listed).at(i))
            tables << listed.at(i);
    }
    QCOMPARE(tables.size(), 3);

    QCOMPARE(TableLists::recordItems(*env.db, kStatementName).size(), 1);
    for (DataChecks::Check check : DataChecks::all())
        DataChecks(*env.db, env.dir.path()).run(check, tables);
    DataChecks(*env.db, env.dir.path()).run(DataChecks::Check::EntryCount, tables);
    QFile report(env.path(QStringLiteral("check.txt")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QVERIFY(TextFile::decodeGb18030(report.readAll()).contains(kStatementName + QStringLiteral("\t1\t")));

    // Each table's own region code is padded, and nothing else changes.
    QCOMPARE(RegionCodePadding::padRegionCodes(*env.db, tables), qint64(3));
    QCOMPARE(names(*env.db, QStringLiteral("高一02")), QStringList({"李四", "王五"}));
    QCOMPARE(env.db->query(QStringLiteral("select 出生地行政区划代码 from ") + TableName(kUpdateTailName).sql(*env.db))
                 .text(0, 0),
             QStringLiteral("440606000000"));

    QCOMPARE(TableMerge::mergeTables(*env.db, tables, QStringLiteral("全校"), false), 3);
    QCOMPARE(names(*env.db, QStringLiteral("全校")).size(), 4);

    PresentedTablesExport(*env.db, env.services).run(tables, ExportTablesToSheets::Structure::Init2,
                                                    env.path(QStringLiteral("表格.xlsx")));
    QVERIFY(QFileInfo(env.path(QStringLiteral("表格.xlsx"))).size() > 0);

    QVERIFY(QFile::copy(defaultTemplate(), env.path(QStringLiteral("Template.xlsx"))));
    const SpreadsheetRenderer renderer;
    PresentedTemplatePrinting printing(*env.db, env.services, renderer);
    const QString written = printing.exportStudents(kStatementName, TableLists::recordItems(*env.db, kStatementName),
                                                    env.path(QStringLiteral("多人.xlsx")));
    QCOMPARE(written, env.path(QStringLiteral("多人.xlsx")));

    for (const QString &table : {QStringLiteral("高一02"), kStatementName, kUpdateTailName})
        QVERIFY2(env.db->tableNames().contains(table), qPrintable(table));
    QCOMPARE(names(*env.db, QStringLiteral("高一02")), QStringList({"李四", "王五"}));
}

void TestTableNameSafety::importAndSaveWriteIntoTheirOwnTable()
{
    TestEnv env;
    const QString intruder = QStringLiteral("高一03 (姓名) values ('入侵者') --");
    for (const QString &table : {QStringLiteral("高一03"), intruder, QStringLiteral("高一(1)班"), QStringLiteral("高一 02"),
                                 QStringLiteral("初二-3")})
        env.createClassTable(table);
    QFile list(env.path(QStringLiteral("名单.csv")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("姓名,性别\n张三,男\n李四,女\n");
    list.close();
    RegionTables regions;
    regions.LoadRegionTables();
    ClassImport importer(*env.db, regions, env.clock.now());

    // A value that would end a quoted literal, and one with the statement's own words.
    QStringList values(RecordColumns::Count, QString());
    values[RecordColumns::Name] = QStringLiteral("O'Brien");
    values[RecordColumns::Family] = QStringLiteral("'); delete from 高一03; --");
    for (const QString &table : {intruder, QStringLiteral("高一(1)班"), QStringLiteral("高一 02"), QStringLiteral("初二-3")}) {
        QCOMPARE(importer.commit(importer.prepare(list.fileName(), QString(), table)).imported, 2);
        RecordSaver saver(*env.db, table, env.path(QStringLiteral("debug.txt")));
        QVERIFY(saver.insertRecord(values, values.at(RecordColumns::Name), QString(), [](const QString &) { return true; }));
        RecordLoader loader(*env.db, table);
        const auto items = loader.recordItems();
        QCOMPARE(items.size(), 3);
        const auto saved = std::find_if(items.begin(), items.end(),
                                        [](const auto &e) { return e.item.contains(QStringLiteral("O'Brien")); });
        QVERIFY(saved != items.end());
        const auto stored = loader.loadRecord(QString::number(saved->id));
        QVERIFY(stored.has_value());
        QCOMPARE(stored->value(QStringLiteral("姓名")), QStringLiteral("O'Brien"));
        QCOMPARE(stored->value(QStringLiteral("家庭地址")), values.at(RecordColumns::Family));
    }
    QCOMPARE(names(*env.db, QStringLiteral("高一03")), QStringList());
    // debug.txt still shows the statement as a person reads it, values in place.
    QFile debug(env.path(QStringLiteral("debug.txt")));
    QVERIFY(debug.open(QIODevice::ReadOnly));
    QVERIFY(TextFile::decodeGb18030(debug.readAll()).contains(QStringLiteral("'''); delete from 高一03; --'")));
}

void TestTableNameSafety::mergeKilledMidwayLeavesTheEarlierMergeWhole()
{
    TestEnv env(QStringLiteral("sqlite"));
    for (const QString &table : {QStringLiteral("高一01"), QStringLiteral("高一02")}) {
        env.createClassTable(table);
        insertStudent(*env.db, table, {{QStringLiteral("姓名"), table + QStringLiteral("的学生")}});
    }
    TableMerge::mergeTables(*env.db, {QStringLiteral("高一02")}, TableMerge::defaultTarget(), false);
    const QString path = env.db->filePath();
    env.db.reset();

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--merge-and-die"), path});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    env.db = SqlDatabase::openSqlite(path, SqliteMode::ReadWrite);
    QCOMPARE(names(*env.db, TableMerge::defaultTarget()), QStringList{QStringLiteral("高一02的学生")});
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--merge-and-die") == 0) {
        QCoreApplication app(argc, argv);
        return mergeAndDie(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TestTableNameSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_table_name_safety.moc"
