// Taking pupils out of their class with a reason, bringing them back, deleting
// them for good from the kept list, and moving them to another class.
// Runs on every database engine.
#include <QtTest>

#include "core/keeping/class_move.h"
#include "core/keeping/kept_records.h"
#include "core/record/record_columns.h"
#include "platform/app_error.h"
#include "test_env.h"

namespace {

// Inserts a pupil with every column filled; returns its id.
qint64 addPupil(Database &db, const QString &table, const QString &name, const QString &entry = QStringLiteral("201409"),
                const QString &classCode = QStringLiteral("2014301"))
{
    QStringList values;
    for (int i = 0; i < RecordColumns::Count; ++i)
        values << QStringLiteral("%1的值%2").arg(name).arg(i);
    values[RecordColumns::Name] = name;
    values[RecordColumns::EntryYearMonth] = entry;
    values[RecordColumns::ClassCode] = classCode;
    QStringList marks;
    marks.fill(QStringLiteral("?"), values.size());
    QVariantList bound;
    for (const QString &v : values)
        bound << v;
    db.execute(SqlStatement(QStringLiteral("insert into %1 (%2) values (%3)")
                                .arg(table, RecordColumns::dataColumns().join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                            bound));
    return db.query(QStringLiteral("select max(id) from %1").arg(table)).text(0, 0).toLongLong();
}

QString column(Database &db, const QString &table, qint64 id, const QString &name)
{
    return db.query(SqlStatement(QStringLiteral("select %1 from %2 where id = ?").arg(name, table), {id})).text(0, 0);
}

int count(Database &db, const QString &sql)
{
    return db.query(sql).text(0, 0).toInt();
}

// The kinds of the history lines of a pupil of a class, in order.
QStringList historyOf(Database &db, const QString &table, qint64 id)
{
    const QueryResult r = db.query(SqlStatement(
        QStringLiteral("select kind from tavro_history where class_table = ? and pupil_id = ? order by id"), {table, id}));
    QStringList kinds;
    for (int i = 0; i < r.rowCount(); ++i)
        kinds << r.text(i, 0);
    return kinds;
}

} // namespace

class TestKeptRecords : public QObject
{
    Q_OBJECT

private slots:
    void takenOutKeptWholeAndBroughtBack();
    void broughtBackUnderANewIdWhenTaken();
    void deletedForGoodOnlyFromTheKeptList();
    void refusalsChangeNothing();
    void moveKeepsEveryColumnAndRebuildsClassCode();
};

void TestKeptRecords::takenOutKeptWholeAndBroughtBack()
{
    TestEnv env;
    Database &db = *env.db;
    env.createClassTable(QStringLiteral("高一01"));
    const qint64 li = addPupil(db, QStringLiteral("高一01"), QStringLiteral("李娜"));
    const qint64 wang = addPupil(db, QStringLiteral("高一01"), QStringLiteral("王伟"));
    addPupil(db, QStringLiteral("高一01"), QStringLiteral("张三"));

    // An id given twice or not in the table is no second pupil.
    QCOMPARE(KeptRecords::takeOutNow(db, QStringLiteral("高一01"), {li, wang, li, 999}, QStringLiteral("转学")), 2);
    QCOMPARE(count(db, QStringLiteral("select count(*) from 高一01")), 1);
    const QList<KeptRecords::Kept> kept = KeptRecords::list(db, QStringLiteral("高一01"));
    QCOMPARE(kept.size(), 2);
    QCOMPARE(kept.at(0).name + kept.at(1).name, QStringLiteral("王伟李娜"));
    QCOMPARE(kept.at(1).pupilId, li);
    QCOMPARE(kept.at(1).reason, QStringLiteral("转学"));
    QVERIFY(!kept.at(1).removedBy.isEmpty() && !kept.at(1).removedAt.isEmpty());
    QVERIFY(KeptRecords::list(db, QStringLiteral("高一02")).isEmpty());

    // The class table is gone meanwhile: it is made again and the pupil keeps the id.
    db.execute(QStringLiteral("drop table 高一01"));
    const KeptRecords::BringBackResult back = KeptRecords::bringBack(db, {kept.at(1).keptId, 12345});
    QCOMPARE(back.returned.size(), 1);
    QCOMPARE(back.notKept, QList<qint64>{12345});
    QVERIFY(back.returned.at(0).tableMade);
    QCOMPARE(back.returned.at(0).newId, li);
    QCOMPARE(column(db, QStringLiteral("高一01"), li, QStringLiteral("家庭地址")),
             QStringLiteral("李娜的值%1").arg(RecordColumns::Family));
    QCOMPARE(KeptRecords::list(db).size(), 1);
    QCOMPARE(historyOf(db, QStringLiteral("高一01"), li), QStringList({QStringLiteral("移出"), QStringLiteral("恢复")}));
    // The lines of one take-out share their act.
    QCOMPARE(count(db, QStringLiteral("select count(distinct act) from tavro_history where kind = '移出'")), 1);
    QVERIFY(count(db, QStringLiteral("select min(act) from tavro_history")) > 0);

    // A class made again numbers its new pupils past the ids brought back.
    const qint64 next = addPupil(db, QStringLiteral("高一01"), QStringLiteral("赵六"));
    QVERIFY2(next > li, qPrintable(QString::number(next)));
}

void TestKeptRecords::broughtBackUnderANewIdWhenTaken()
{
    TestEnv env;
    Database &db = *env.db;
    env.createClassTable(QStringLiteral("初二05"));
    addPupil(db, QStringLiteral("初二05"), QStringLiteral("甲"));
    const qint64 yi = addPupil(db, QStringLiteral("初二05"), QStringLiteral("乙"));
    QCOMPARE(KeptRecords::takeOutNow(db, QStringLiteral("初二05"), {yi}, QStringLiteral("其他：家长要求")), 1);
    // The id is given again by hand meanwhile (an import of an export, say).
    db.execute(SqlStatement(QStringLiteral("insert into 初二05 (id, 姓名) values (?, '丙')"), {yi}));

    const QList<KeptRecords::Kept> kept = KeptRecords::list(db);
    QCOMPARE(kept.at(0).reason, QStringLiteral("其他：家长要求"));
    const KeptRecords::BringBackResult back = KeptRecords::bringBack(db, {kept.at(0).keptId});
    const qint64 newId = back.returned.at(0).newId;
    QVERIFY(newId != yi);
    QVERIFY(KeptRecords::describe(back.returned.at(0)).contains(QString::number(newId)));
    QCOMPARE(column(db, QStringLiteral("初二05"), yi, QStringLiteral("姓名")), QStringLiteral("丙"));
    QCOMPARE(column(db, QStringLiteral("初二05"), newId, QStringLiteral("姓名")), QStringLiteral("乙"));
    QCOMPARE(historyOf(db, QStringLiteral("初二05"), newId), QStringList{QStringLiteral("恢复")});
}

void TestKeptRecords::deletedForGoodOnlyFromTheKeptList()
{
    TestEnv env;
    Database &db = *env.db;
    env.createClassTable(QStringLiteral("小三02"));
    const qint64 a = addPupil(db, QStringLiteral("小三02"), QStringLiteral("甲"));
    const qint64 b = addPupil(db, QStringLiteral("小三02"), QStringLiteral("乙"));
    KeptRecords::takeOutNow(db, QStringLiteral("小三02"), {a, b}, QStringLiteral("重复录入"));
    const QList<KeptRecords::Kept> kept = KeptRecords::list(db);
    // A kept id that is no longer kept deletes nothing, least of all a pupil in a class.
    QCOMPARE(KeptRecords::deleteForGood(db, {kept.at(0).keptId, 777}), 1);
    QCOMPARE(KeptRecords::deleteForGood(db, {kept.at(0).keptId}), 0);
    QCOMPARE(KeptRecords::list(db).size(), 1);
    QCOMPARE(historyOf(db, QStringLiteral("小三02"), b), QStringList({QStringLiteral("移出"), QStringLiteral("删除")}));
}

void TestKeptRecords::refusalsChangeNothing()
{
    TestEnv env;
    Database &db = *env.db;
    env.createClassTable(QStringLiteral("高二03"));
    const qint64 a = addPupil(db, QStringLiteral("高二03"), QStringLiteral("甲"));
    QVERIFY_THROWS_EXCEPTION(AppError, KeptRecords::takeOutNow(db, QStringLiteral("高二03"), {a}, QStringLiteral("其他")));
    QVERIFY_THROWS_EXCEPTION(AppError, KeptRecords::takeOutNow(db, QStringLiteral("高二03"), {a}, QStringLiteral("不想要")));
    QVERIFY_THROWS_EXCEPTION(AppError, KeptRecords::takeOutNow(db, QStringLiteral("高二04"), {a}, QStringLiteral("转学")));
    QVERIFY_THROWS_EXCEPTION(AppError, ClassMove::move(db, QStringLiteral("高二03"), {a}, QStringLiteral("合并表"), QDate(2015, 10, 1)));
    QVERIFY_THROWS_EXCEPTION(AppError, ClassMove::move(db, QStringLiteral("高二03"), {a}, QStringLiteral("高二03"), QDate(2015, 10, 1)));
    QVERIFY_THROWS_EXCEPTION(AppError, ClassMove::move(db, QStringLiteral("高二03"), {a}, QStringLiteral("tavro_removed"), QDate(2015, 10, 1)));
    QCOMPARE(count(db, QStringLiteral("select count(*) from 高二03")), 1);
    QVERIFY(!db.tableNames().contains(QStringLiteral("合并表")));
}

void TestKeptRecords::moveKeepsEveryColumnAndRebuildsClassCode()
{
    TestEnv env;
    Database &db = *env.db;
    env.createClassTable(QStringLiteral("高一01"));
    const qint64 a = addPupil(db, QStringLiteral("高一01"), QStringLiteral("甲"), QStringLiteral("201409"));
    // Without 入学年月 the old 班号 keeps the year; without both the new grade's year is taken.
    const qint64 b = addPupil(db, QStringLiteral("高一01"), QStringLiteral("乙"), QString(), QStringLiteral("2013301"));
    const qint64 c = addPupil(db, QStringLiteral("高一01"), QStringLiteral("丙"), QString(), QString());
    const qint64 stays = addPupil(db, QStringLiteral("高一01"), QStringLiteral("丁"));

    const ClassMove::Result r = ClassMove::move(db, QStringLiteral("高一01"), {a, b, c, 404}, QStringLiteral("高二07"),
                                                QDate(2015, 10, 1));
    QVERIFY(r.tableMade);
    QCOMPARE(r.moved.size(), 3);
    QCOMPARE(r.notFound, QList<qint64>{404});
    QCOMPARE(count(db, QStringLiteral("select count(*) from 高一01")), 1);
    QCOMPARE(column(db, QStringLiteral("高一01"), stays, QStringLiteral("姓名")), QStringLiteral("丁"));

    QCOMPARE(column(db, QStringLiteral("高二07"), r.moved.at(0).newId, QStringLiteral("班号")), QStringLiteral("2014307"));
    QCOMPARE(column(db, QStringLiteral("高二07"), r.moved.at(1).newId, QStringLiteral("班号")), QStringLiteral("2013307"));
    // 高二 in October 2015 started in September 2014.
    QCOMPARE(column(db, QStringLiteral("高二07"), r.moved.at(2).newId, QStringLiteral("班号")), QStringLiteral("2014307"));
    // Every other column as it was.
    for (int i = 0; i < RecordColumns::Count; ++i) {
        if (i == RecordColumns::ClassCode || i == RecordColumns::EntryYearMonth || i == RecordColumns::Name)
            continue;
        const QString name = RecordColumns::dataColumns().at(i);
        QCOMPARE(column(db, QStringLiteral("高二07"), r.moved.at(0).newId, name), QStringLiteral("甲的值%1").arg(i));
    }
    QCOMPARE(historyOf(db, QStringLiteral("高一01"), a), QStringList{QStringLiteral("转出")});
    QCOMPARE(historyOf(db, QStringLiteral("高二07"), r.moved.at(0).newId), QStringList{QStringLiteral("转入")});
    QCOMPARE(count(db, QStringLiteral("select count(*) from tavro_history where act = %1").arg(r.act)), 6);

    // A name that is no class is never made into a table.
    QVERIFY_THROWS_EXCEPTION(AppError, ClassMove::move(db, QStringLiteral("高一01"), {stays}, QStringLiteral("高一99"),
                                                       QDate(2015, 10, 1)));
    QVERIFY(!db.tableNames().contains(QStringLiteral("高一99")));
}

QTEST_GUILESS_MAIN(TestKeptRecords)
#include "tst_kept_records.moc"
