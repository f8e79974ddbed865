// Two programs entering into the same class table at the same moment: every
// record arrives, each with an id of its own, and two imports of one list
// store each pupil once. The test starts this executable twice more as savers
// ("--save" mode) or importers ("--import"), lets both begin together and counts.
// A pupil taken out or moved while another program keeps saving it ("--update")
// is in one place only, with the last save that went through.
// Runs on every database engine.
#include <QProcess>
#include <QtTest>

#include "app/class_setup.h"
#include "core/keeping/class_move.h"
#include "core/keeping/kept_records.h"
#include "core/import/class_import.h"
#include "core/record/id_number_check.h"
#include "core/record/record_columns.h"
#include "core/region/region_tables.h"
#include "core/record/record_saver.h"
#include "platform/app_error.h"
#include "test_env.h"

namespace {

const QString kTable = QStringLiteral("高一01");
constexpr int kRecordsPerProcess = 500;

QStringList recordValues(const QString &name, const QString &cardNo)
{
    QStringList v;
    for (int i = 0; i < RecordColumns::Count; ++i)
        v << QStringLiteral("值%1").arg(i);
    v[RecordColumns::Name] = name;
    v[RecordColumns::CardNo] = cardNo;
    return v;
}

// args: <engine> <sqlite file | server> <database> <user> <password>
std::unique_ptr<SqlDatabase> connect(const QStringList &args)
{
    if (args.at(0) == QLatin1String("postgresql")) {
        ServerSettings s;
        s.server = args.at(1);
        s.database = args.at(2);
        s.user = args.at(3);
        s.password = args.at(4);
        return SqlDatabase::openPostgres(s);
    }
    return SqlDatabase::openSqlite(args.at(1), SqliteMode::ReadWrite);
}

QStringList connectionArgs(const TestEnv &env)
{
    const bool server = env.engine == QLatin1String("postgresql");
    return {env.engine, server ? env.serverSettings.server : env.path(QStringLiteral("tavro.db")),
            env.serverSettings.database, env.serverSettings.user, env.serverSettings.password};
}

// Importer mode: --import <connection args> <file>. Reads and checks the
// file, says "ready", waits for "go" on stdin, then writes and prints the
// number of rows imported.
int runImporter(const QStringList &args)
{
    QTextStream out(stdout);
    try {
        const auto db = connect(args);
        RegionTables regions;
        regions.LoadRegionTables();
        ClassImport importer(*db, regions, TestEnv::defaultNow());
        const ImportPlan plan = importer.prepare(args.at(5), QString(), kTable);
        out << "ready" << Qt::endl;
        if (QTextStream(stdin).readLine() != QLatin1String("go"))
            return 3;
        const ImportResult result = importer.commit(plan);
        out << result.imported << ' ' << result.skippedRows.size() << Qt::endl;
    } catch (const AppError &e) {
        QTextStream(stderr) << e.text() << Qt::endl;
        return 2;
    }
    return 0;
}

// Saver mode: --save <connection args> <label> <debug.txt>
// Connects, says "ready", waits for "go" on stdin, saves its records.
int runSaver(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        const auto db = connect(args);
        const QString label = args.at(5);
        RecordSaver saver(*db, kTable, args.at(6));
        out << "ready" << Qt::endl;
        QTextStream in(stdin);
        if (in.readLine() != QLatin1String("go"))
            return 3;
        for (int i = 0; i < kRecordsPerProcess; ++i) {
            const QString name = QStringLiteral("%1号%2").arg(label).arg(i);
            const bool saved = saver.insertRecord(recordValues(name, name), name, name, [](const QString &) { return true; });
            if (!saved) {
                err << "not saved: " << name << Qt::endl;
                return 1;
            }
        }
    } catch (const AppError &e) {
        err << e.text() << Qt::endl;
        return 2;
    }
    return 0;
}

// Updater mode: --update <connection args> <id> <debug.txt>. Says "ready",
// waits for "go", then saves the pupil again and again with 家庭地址 改1, 改2 …
// until a save finds no such pupil; prints the number of the last save that went through.
int runUpdater(const QStringList &args)
{
    QTextStream out(stdout);
    try {
        const auto db = connect(args);
        RecordSaver saver(*db, kTable, args.at(6));
        out << "ready" << Qt::endl;
        if (QTextStream(stdin).readLine() != QLatin1String("go"))
            return 3;
        for (int i = 1; i <= 100000; ++i) {
            QStringList values = recordValues(QStringLiteral("李娜"), QStringLiteral("李娜"));
            values[RecordColumns::Family] = QStringLiteral("改%1").arg(i);
            if (!saver.updateRecord(args.at(5).toLongLong(), values)) {
                out << i - 1 << Qt::endl;
                return 0;
            }
        }
    } catch (const AppError &e) {
        QTextStream(stderr) << e.text() << Qt::endl;
        return 2;
    }
    return 1;
}

// Starts an updater of pupil 1 of kTable and waits until it has saved a few times.
QProcess *startUpdater(QObject *parent, const TestEnv &env)
{
    auto *p = new QProcess(parent);
    p->start(QCoreApplication::applicationFilePath(),
             QStringList{QStringLiteral("--update")} + connectionArgs(env)
                 + QStringList{QStringLiteral("1"), env.path(QStringLiteral("debug-update.txt"))});
    if (!p->waitForStarted() || !p->waitForReadyRead(30000) || p->readLine().trimmed() != "ready")
        return nullptr;
    p->write("go\n");
    p->waitForBytesWritten();
    const auto reader = env.connectAgain();
    for (int tries = 0; tries < 3000; ++tries) {
        const QString family = reader->query(QStringLiteral("select 家庭地址 from 高一01 where id = 1")).text(0, 0);
        if (family.startsWith(QStringLiteral("改")) && family.mid(1).toInt() >= 20)
            break;
        QThread::msleep(10);
    }
    return p;
}

// The number of the updater's last save that went through.
int lastSave(QProcess *p)
{
    if (!p->waitForFinished(120000) || p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0) {
        qWarning() << "updater:" << p->exitStatus() << p->exitCode() << p->readAllStandardError();
        return -1;
    }
    const QByteArray said = p->readAllStandardOutput();
    return said.trimmed().toInt();
}

// The database of a workstation whose neighbour creates the class table just
// after this one looked it up in the catalogue and found it missing.
class NeighbourCreatesTable final : public Database
{
public:
    NeighbourCreatesTable(Database &own, Database &neighbour, QString table)
        : m_own(own), m_neighbour(neighbour), m_table(std::move(table))
    {
    }
    Engine engine() const override { return m_own.engine(); }
    QueryResult query(const SqlStatement &sql) override { return m_own.query(sql); }
    qint64 execute(const SqlStatement &sql) override { return m_own.execute(sql); }
    QStringList tableNames() override
    {
        const QStringList names = m_own.tableNames();
        if (!m_done) {
            m_done = true;
            m_neighbour.execute(QStringLiteral("Select * into ") + m_table + QStringLiteral(" from Init2 where 1 <> 1"));
        }
        return names;
    }
    QDateTime currentDateTime() override { return m_own.currentDateTime(); }
    void beginTransaction() override { m_own.beginTransaction(); }
    void commitTransaction() override { m_own.commitTransaction(); }
    void rollbackTransaction() override { m_own.rollbackTransaction(); }
    QString filePath() const override { return m_own.filePath(); }

private:
    Database &m_own;
    Database &m_neighbour;
    QString m_table;
    bool m_done = false;
};

} // namespace

class TestConcurrentSaves : public QObject
{
    Q_OBJECT

private slots:
    void twoProgramsSaveIntoOneClassTable();
    void classTableCreatedMeanwhileByAnotherProgram();
    void twoImportsOfOneListStoreEachPupilOnce();
    void anImportMakesItsNewClassInItsOwnTransaction();
    void takeOutRacingASave();
    void moveRacingASave();
};

void TestConcurrentSaves::twoProgramsSaveIntoOneClassTable()
{
    TestEnv env;
    env.createClassTable(kTable);
    QList<QProcess *> savers;
    for (const QString &label : {QStringLiteral("甲"), QStringLiteral("乙")}) {
        auto *p = new QProcess(this);
        p->start(QCoreApplication::applicationFilePath(),
                 QStringList{QStringLiteral("--save")} + connectionArgs(env)
                     + QStringList{label, env.path(QStringLiteral("debug-%1.txt").arg(label))});
        QVERIFY(p->waitForStarted());
        savers << p;
    }
    for (QProcess *p : savers) {
        QVERIFY(p->waitForReadyRead(30000));
        QCOMPARE(p->readLine().trimmed(), QByteArray("ready"));
    }
    // Both begin at once.
    for (QProcess *p : savers)
        p->write("go\n");
    for (QProcess *p : savers) {
        QVERIFY(p->waitForFinished(240000));
        QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, p->readAllStandardError().constData());
    }
    const QueryResult r = env.db->query(
        QStringLiteral("select count(*), count(distinct id), count(distinct 姓名), min(id), max(id) from 高一01"));
    QCOMPARE(r.text(0, 0), QString::number(2 * kRecordsPerProcess));
    QCOMPARE(r.text(0, 1), QString::number(2 * kRecordsPerProcess));
    QCOMPARE(r.text(0, 2), QString::number(2 * kRecordsPerProcess));
    QCOMPARE(r.text(0, 3), QStringLiteral("1"));
    QCOMPARE(r.text(0, 4), QString::number(2 * kRecordsPerProcess));
    // Every row whole: each record's ID number is its name.
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01 where 身份证件号 <> 姓名 or 籍贯 <> '值4'")).text(0, 0),
             QStringLiteral("0"));
}

void TestConcurrentSaves::classTableCreatedMeanwhileByAnotherProgram()
{
    // Two workstations open the same new class at the same moment: both find
    // no table, one creates it first; the other goes on with that table.
    TestEnv env;
    const std::unique_ptr<SqlDatabase> neighbour = env.connectAgain();
    NeighbourCreatesTable db(*env.db, *neighbour, QStringLiteral("高一05"));
    try {
        ClassSetup::ensureClassTable(db, QStringLiteral("高一05"));
    } catch (const AppError &e) {
        QFAIL(qPrintable(e.text()));
    }
    QVERIFY(env.db->tableNames().contains(QStringLiteral("高一05")));
    env.db->execute(QStringLiteral("insert into 高一05 (姓名) values ('张三')"));
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一05")).text(0, 0), QStringLiteral("1"));

    // A creation that fails for another reason is still reported.
    env.db->execute(QStringLiteral("drop table Init2"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, ClassSetup::ensureClassTable(*env.db, QStringLiteral("高一06")));
}

void TestConcurrentSaves::twoImportsOfOneListStoreEachPupilOnce()
{
    TestEnv env;
    env.createClassTable(kTable);
    QFile list(env.path(QStringLiteral("名单.csv")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    // Pupils are told apart by their ID numbers (odd sex digit: 男).
    list.write("姓名,性别,身份证件号\n");
    for (int i = 1; i <= 40; ++i) {
        const QString first17 = QStringLiteral("44060620090315%1").arg(2 * i + 1, 3, 10, QLatin1Char('0'));
        list.write(QStringLiteral("学生%1,男,%2\n").arg(i).arg(first17 + IdNumberCheck::checkCharacter(first17)).toUtf8());
    }
    list.close();

    QList<QProcess *> importers;
    for (int i = 0; i < 2; ++i) {
        auto *p = new QProcess(this);
        p->start(QCoreApplication::applicationFilePath(),
                 QStringList{QStringLiteral("--import")} + connectionArgs(env) + QStringList{list.fileName()});
        QVERIFY(p->waitForStarted());
        importers << p;
    }
    // Both have read the list against the empty table before either writes.
    for (QProcess *p : importers) {
        QVERIFY(p->waitForReadyRead(30000));
        QCOMPARE(p->readLine().trimmed(), QByteArray("ready"));
    }
    for (QProcess *p : importers)
        p->write("go\n");
    QStringList said; // "imported skipped" of each
    for (QProcess *p : importers) {
        QVERIFY(p->waitForFinished(120000));
        QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, p->readAllStandardError().constData());
        said << QString::fromUtf8(p->readAllStandardOutput().trimmed());
    }
    // The later one writes nothing and names every row it skipped.
    said.sort();
    QCOMPARE(said, QStringList({QStringLiteral("0 40"), QStringLiteral("40 0")}));
    QCOMPARE(env.db->query(QStringLiteral("select count(*), count(distinct 姓名) from 高一01")).text(0, 1),
             QStringLiteral("40"));
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("40"));
}

void TestConcurrentSaves::anImportMakesItsNewClassInItsOwnTransaction()
{
    // The table is made, locked and filled in one transaction, on every engine.
    TestEnv env;
    QFile list(env.path(QStringLiteral("名单.csv")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("姓名\n甲\n乙\n");
    list.close();
    RegionTables regions;
    regions.LoadRegionTables();
    ClassImport importer(*env.db, regions, TestEnv::defaultNow());
    ImportPlan plan = importer.prepare(list.fileName(), QString(), QStringLiteral("初三12"));
    plan.createTable = true;
    QCOMPARE(importer.commit(plan).imported, 2);
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 初三12")).text(0, 0), QStringLiteral("2"));
    // The new table numbers its own rows, as a class the setup made does.
    QCOMPARE(env.db->query(QStringLiteral("select max(id) from 初三12")).text(0, 0), QStringLiteral("2"));
}

void TestConcurrentSaves::takeOutRacingASave()
{
    TestEnv env;
    env.createClassTable(kTable);
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('李娜')"));
    QProcess *updater = startUpdater(this, env);
    QVERIFY(updater);
    QCOMPARE(KeptRecords::takeOutNow(*env.db, kTable, {1}, QStringLiteral("转学")), 1);
    const int last = lastSave(updater);
    QVERIFY2(last >= 20, updater->readAllStandardError().constData());
    // Saves after the take-out failed and said so; the copy kept holds the last one that went through.
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("0"));
    const QueryResult kept = env.db->query(QStringLiteral("select 家庭地址 from tavro_removed"));
    QCOMPARE(kept.rowCount(), 1);
    QCOMPARE(kept.text(0, 0), QStringLiteral("改%1").arg(last));
}

void TestConcurrentSaves::moveRacingASave()
{
    TestEnv env;
    env.createClassTable(kTable);
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('李娜')"));
    QProcess *updater = startUpdater(this, env);
    QVERIFY(updater);
    QCOMPARE(ClassMove::move(*env.db, kTable, {1}, QStringLiteral("高一02"), QDate(2015, 10, 1)).moved.size(), 1);
    const int last = lastSave(updater);
    QVERIFY2(last >= 20, updater->readAllStandardError().constData());
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("0"));
    const QueryResult moved = env.db->query(QStringLiteral("select 家庭地址 from 高一02"));
    QCOMPARE(moved.rowCount(), 1);
    QCOMPARE(moved.text(0, 0), QStringLiteral("改%1").arg(last));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 9 && args.at(1) == QLatin1String("--save"))
        return runSaver(args.mid(2));
    if (args.size() == 9 && args.at(1) == QLatin1String("--update"))
        return runUpdater(args.mid(2));
    if (args.size() == 8 && args.at(1) == QLatin1String("--import"))
        return runImporter(args.mid(2));
    TestConcurrentSaves test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_concurrent_saves.moc"
