// Undoing an import for real: the pupils nobody changed since leave the class
// for the keeping place with the reason 撤销导入, the edited one stays, the
// history links the take-outs to the undo, and a second undo changes nothing.
// Runs on every database engine.
#include <QtTest>

#include "core/import/class_import.h"
#include "core/keeping/history.h"
#include "core/keeping/import_undo.h"
#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "core/region/region_tables.h"
#include "test_env.h"

namespace {

const QString kTable = QStringLiteral("高一01");

qint64 count(Database &db, const QString &table)
{
    return db.query(QStringLiteral("select count(*) from %1").arg(table)).text(0, 0).toLongLong();
}

qint64 idOf(Database &db, const QString &name)
{
    return db.query(SqlStatement(QStringLiteral("select id from 高一01 where 姓名 = ?"), {name})).text(0, 0).toLongLong();
}

} // namespace

class TestUndoImportExecution : public QObject
{
    Q_OBJECT

private slots:
    void undoTakesOutTheUnchangedAndKeepsTheEdited();
};

void TestUndoImportExecution::undoTakesOutTheUnchangedAndKeepsTheEdited()
{
    TestEnv env;
    env.createClassTable(kTable);
    const QString csv = env.path(QStringLiteral("名单.csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("姓名,联系电话\n张一,1\n李二,2\n王三,3\n").toUtf8());
    file.close();
    RegionTables regions;
    regions.LoadRegionTables();
    ClassImport importer(*env.db, regions, env.clock.now());
    const qint64 act = importer.commit(importer.prepare(csv, QString(), kTable)).act;
    QVERIFY(act > 0);

    const qint64 li = idOf(*env.db, QStringLiteral("李二"));
    const QueryResult stored = env.db->query(SqlStatement(
        QStringLiteral("select %1 from 高一01 where id = ?").arg(RecordColumns::dataColumns().join(QStringLiteral(", "))),
        {li}));
    QStringList edited;
    for (int c = 0; c < stored.columnCount(); ++c)
        edited << stored.text(0, c);
    edited[RecordColumns::Contact] = QStringLiteral("22");
    QVERIFY(RecordSaver(*env.db, kTable, env.path(QStringLiteral("debug.txt"))).updateRecord(li, edited));

    const ImportUndo::Plan done = ImportUndo::execute(*env.db, act);
    QCOMPARE(done.takeOut.size(), 2);
    QCOMPARE(count(*env.db, kTable), 1);
    QCOMPARE(idOf(*env.db, QStringLiteral("李二")), li);
    QCOMPARE(count(*env.db, QStringLiteral("tavro_removed")), 2);

    // The 移出 lines belong to the undo's own act, which names the import.
    HistoryFilter undoLines;
    undoLines.kind = ImportUndo::reason;
    const QList<HistoryLine> heads = History::read(*env.db, undoLines);
    QCOMPARE(heads.size(), 1);
    const QList<HistoryLine> undone = History::readAct(*env.db, heads.front().number);
    QCOMPARE(undone.size(), 3);
    QCOMPARE(undone.at(1).entry.kind, QStringLiteral("移出"));

    // Nothing is left to undo: refused, nothing changed.
    const int lines = int(History::read(*env.db, HistoryFilter()).size());
    QVERIFY(!ImportUndo::execute(*env.db, act).refusal.isEmpty());
    QCOMPARE(count(*env.db, kTable), 1);
    QCOMPARE(count(*env.db, QStringLiteral("tavro_removed")), 2);
    QCOMPARE(int(History::read(*env.db, HistoryFilter()).size()), lines);
}

QTEST_GUILESS_MAIN(TestUndoImportExecution)
#include "tst_undo_import_execution.moc"
