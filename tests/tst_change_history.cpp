// The history of changes: a save and an update write their lines with the
// change, a history that cannot be written keeps the record unsaved, an
// import's undo leaves the pupils edited since, and the command line lists
// the history and refuses what it does not understand without a change.
// Runs on every database engine.
#include <QtTest>

#include "core/import/class_import.h"
#include "core/keeping/history.h"
#include "core/keeping/import_undo.h"
#include "core/record/entry_rules.h"
#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "core/region/region_tables.h"
#include "platform/app_error.h"
#include "student_rows.h"
#include "admin_command_run.h"
#include "test_env.h"

namespace {

const QString kTable = QStringLiteral("高一01");

QStringList recordValues(const QString &name, const QString &cardNo)
{
    QStringList v;
    for (int i = 0; i < RecordColumns::Count; ++i)
        v << QStringLiteral("值%1").arg(i);
    v[RecordColumns::Name] = name;
    v[RecordColumns::CardNo] = cardNo;
    v[RecordColumns::ClassCode] = EntryRules::classCode(QStringLiteral("2015"), kTable, QStringLiteral("01"));
    return v;
}

QStringList storedValues(Database &db, qint64 id)
{
    const QueryResult r = db.query(SqlStatement(
        QStringLiteral("select %1 from 高一01 where id = ?").arg(RecordColumns::dataColumns().join(QStringLiteral(", "))),
        {id}));
    QStringList values;
    for (int c = 0; !r.isEmpty() && c < r.columnCount(); ++c)
        values << r.text(0, c);
    return values;
}

qint64 count(Database &db, const QString &table)
{
    return db.query(QStringLiteral("select count(*) from %1").arg(table)).text(0, 0).toLongLong();
}

QList<HistoryLine> classLines(Database &db)
{
    HistoryFilter filter;
    filter.classTable = kTable;
    return History::read(db, filter);
}

QStringList pupilNames(const QList<ImportUndo::Pupil> &pupils)
{
    QStringList names;
    for (const ImportUndo::Pupil &p : pupils)
        names << p.name;
    names.sort();
    return names;
}

// Imports 张一, 李二 and 王三 from a .csv into 高一01; returns the act number.
qint64 importThree(TestEnv &env)
{
    const QString csv = env.path(QStringLiteral("名单.csv"));
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    file.write(QStringLiteral("姓名,联系电话\n张一,1\n李二,2\n王三,3\n").toUtf8());
    file.close();
    RegionTables regions;
    regions.LoadRegionTables();
    ClassImport importer(*env.db, regions, env.clock.now());
    const ImportResult result = importer.commit(importer.prepare(csv, QString(), kTable));
    return result.imported == 3 ? result.act : 0;
}

qint64 idOf(Database &db, const QString &name)
{
    return db.query(SqlStatement(QStringLiteral("select id from 高一01 where 姓名 = ?"), {name})).text(0, 0).toLongLong();
}


} // namespace

class TestChangeHistory : public QObject
{
    Q_OBJECT

private slots:
    void saveAndUpdateWriteOnlyTheirLines();
    void unwritableHistoryKeepsTheRecordUnsaved();
    void undoLeavesThePupilsEditedSince();
    void commandLineListsAndRefusesWithoutAChange();
};

void TestChangeHistory::saveAndUpdateWriteOnlyTheirLines()
{
    TestEnv env;
    env.createClassTable(kTable);
    RecordSaver saver(*env.db, kTable, env.path(QStringLiteral("debug.txt")));
    QVERIFY(saver.insertRecord(recordValues(QStringLiteral("张三"), QString()), QStringLiteral("张三"), QString(), {}));
    const qint64 id = idOf(*env.db, QStringLiteral("张三"));
    QList<HistoryLine> lines = classLines(*env.db);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.front().entry.kind, QStringLiteral("新增"));
    QCOMPARE(lines.front().entry.pupilId, id);
    QCOMPARE(lines.front().entry.pupilName, QStringLiteral("张三"));

    QStringList changed = recordValues(QStringLiteral("张三丰"), QString());
    changed[RecordColumns::Contact] = QStringLiteral("13800000000");
    changed[RecordColumns::ClassCode] = QStringLiteral("班号不随修改改变");
    QVERIFY(saver.updateRecord(id, changed));
    lines = classLines(*env.db);
    QCOMPARE(lines.size(), 3);
    QStringList seen;
    for (const HistoryLine &line : lines.mid(1)) {
        QCOMPARE(line.entry.kind, QStringLiteral("修改"));
        QCOMPARE(line.entry.pupilId, id);
        seen << line.entry.field + QLatin1Char(':') + line.entry.oldValue + QLatin1Char('>') + line.entry.newValue;
    }
    seen.sort();
    const QStringList &columns = RecordColumns::dataColumns();
    QStringList expected = {columns.at(RecordColumns::Name) + QStringLiteral(":张三>张三丰"),
                            columns.at(RecordColumns::Contact) + QStringLiteral(":值%1>13800000000").arg(RecordColumns::Contact)};
    expected.sort();
    QCOMPARE(seen, expected);

    // Saving the same values again, or a record that is gone, writes no line.
    QVERIFY(saver.updateRecord(id, changed));
    QVERIFY(!saver.updateRecord(id + 100, changed));
    QCOMPARE(classLines(*env.db).size(), 3);
}

void TestChangeHistory::unwritableHistoryKeepsTheRecordUnsaved()
{
    TestEnv env;
    env.createClassTable(kTable);
    insertStudent(*env.db, kTable, {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    const qint64 id = idOf(*env.db, QStringLiteral("李四"));
    const QStringList before = storedValues(*env.db, id);
    // A view in the history's place takes no lines on any engine.
    History::prepare(*env.db);
    env.db->execute(QStringLiteral("drop table tavro_history"));
    env.db->execute(QStringLiteral("create view tavro_history as select 1 as id"));

    RecordSaver saver(*env.db, kTable, env.path(QStringLiteral("debug.txt")));
    QVERIFY_THROWS_EXCEPTION(AppError, saver.insertRecord(recordValues(QStringLiteral("张三"), QString()),
                                                          QStringLiteral("张三"), QString(), {}));
    QCOMPARE(count(*env.db, kTable), 1);
    QVERIFY_THROWS_EXCEPTION(AppError, saver.updateRecord(id, recordValues(QStringLiteral("李四四"), QString())));
    QCOMPARE(storedValues(*env.db, id), before);
}

void TestChangeHistory::undoLeavesThePupilsEditedSince()
{
    TestEnv env;
    env.createClassTable(kTable);
    const qint64 act = importThree(env);
    QVERIFY(act > 0);
    const QList<HistoryLine> lines = History::readAct(*env.db, act);
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines.front().entry.detail.contains(QStringLiteral("名单.csv")), qPrintable(lines.front().entry.detail));

    const qint64 li = idOf(*env.db, QStringLiteral("李二"));
    QStringList edited = storedValues(*env.db, li);
    edited[RecordColumns::Contact] = QStringLiteral("22");
    QVERIFY(RecordSaver(*env.db, kTable, env.path(QStringLiteral("debug.txt"))).updateRecord(li, edited));

    const ImportUndo::Plan plan = ImportUndo::plan(*env.db, act);
    QVERIFY2(plan.refusal.isEmpty(), qPrintable(plan.refusal));
    QCOMPARE(pupilNames(plan.takeOut), (QStringList{QStringLiteral("张一"), QStringLiteral("王三")}));
    QCOMPARE(pupilNames(plan.changed), QStringList{QStringLiteral("李二")});
    QVERIFY(ImportUndo::planText(plan).contains(QStringLiteral("%1 李二").arg(li)));

    // A pupil's line is no import of its own; an id that now holds another
    // pupil counts as changed, one that is gone is named as gone.
    QVERIFY(!ImportUndo::plan(*env.db, act + 1).refusal.isEmpty());
    env.db->execute(SqlStatement(QStringLiteral("update 高一01 set 姓名 = ? where id = ?"),
                                 {QStringLiteral("别人"), idOf(*env.db, QStringLiteral("张一"))}));
    env.db->execute(SqlStatement(QStringLiteral("delete from 高一01 where 姓名 = ?"), {QStringLiteral("王三")}));
    const ImportUndo::Plan later = ImportUndo::plan(*env.db, act);
    QCOMPARE(pupilNames(later.changed), (QStringList{QStringLiteral("张一"), QStringLiteral("李二")}));
    QCOMPARE(pupilNames(later.gone), QStringList{QStringLiteral("王三")});
    QVERIFY(later.takeOut.isEmpty());
    QVERIFY(!later.refusal.isEmpty());
}

void TestChangeHistory::commandLineListsAndRefusesWithoutAChange()
{
    TestEnv env;
    env.createClassTable(kTable);
    const qint64 act = importThree(env);
    QVERIFY(act > 0);
    const QString number = QString::number(act);

    const AdminCommandRun listed = runTavroOn(env, {QStringLiteral("history"), QStringLiteral("--table"), kTable});
    QVERIFY2(listed.status == 0, qPrintable(listed.err));
    QVERIFY2(listed.out.contains(QStringLiteral("[操作 %1]").arg(act)), qPrintable(listed.out));
    QVERIFY(listed.out.contains(QStringLiteral("王三")));
    // A changed ID number prints masked, as every list on screen shows it.
    HistoryEntry changed;
    changed.kind = QStringLiteral("修改");
    changed.field = QStringLiteral("身份证件号");
    changed.oldValue = QStringLiteral("440606200903150011");
    changed.newValue = QStringLiteral("44060620090315123X");
    QVERIFY(History::lineText({1, QString(), QString(), changed})
                .contains(QStringLiteral("440606********0011 → 440606********123X")));
    const AdminCommandRun one = runTavroOn(env, {QStringLiteral("history"), QStringLiteral("--id"),
                                        QString::number(idOf(*env.db, QStringLiteral("李二")))});
    QVERIFY(one.out.contains(QStringLiteral("李二")) && !one.out.contains(QStringLiteral("王三")));
    const AdminCommandRun tomorrow = runTavroOn(env, {QStringLiteral("history"), QStringLiteral("--since"),
                                             QDate::currentDate().addDays(2).toString(Qt::ISODate)});
    QVERIFY2(tomorrow.status == 0 && !tomorrow.out.contains(QStringLiteral("王三")), qPrintable(tomorrow.out));

    const QList<QStringList> wrong = {
        {QStringLiteral("undo-import")},
        {QStringLiteral("undo-import"), QStringLiteral("abc")},
        {QStringLiteral("undo-import"), number, QStringLiteral("--tables"), kTable},
        {QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("昨天")},
        {QStringLiteral("history"), QStringLiteral("--id"), QStringLiteral("0")},
    };
    const qint64 historyLines = History::read(*env.db, HistoryFilter()).size();
    for (const QStringList &args : wrong) {
        const AdminCommandRun f = runTavroOn(env, args);
        QVERIFY2(f.status == 2, qPrintable(args.join(QLatin1Char(' ')) + f.err));
        QVERIFY(f.err.contains(QStringLiteral("--help")));
    }
    const AdminCommandRun dry = runTavroOn(env, {QStringLiteral("undo-import"), number, QStringLiteral("--dry-run")});
    QVERIFY2(dry.status == 0 && dry.out.contains(QStringLiteral("张一")), qPrintable(dry.out + dry.err));
    QCOMPARE(count(*env.db, kTable), 3);
    QCOMPARE(History::read(*env.db, HistoryFilter()).size(), historyLines);
}

QTEST_GUILESS_MAIN(TestChangeHistory)
#include "tst_change_history.moc"
