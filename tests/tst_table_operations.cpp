// Region code padding, merging tables and the table lists, on real databases.
// Runs on every database engine.
#include <QtTest>

#include "core/record/record_columns.h"
#include "core/record/record_item.h"
#include "core/operations/region_code_padding.h"
#include "core/operations/table_lists.h"
#include "core/operations/table_merge.h"
#include "manage/management_window.h"
#include "platform/app_error.h"
#include "recording_database.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

const QString kBirth = QStringLiteral("出生地行政区划代码");
const QString kHukou = QStringLiteral("户口所在地行政区划");
const QString kMember1 = QStringLiteral("成员1户口所在地行政区划");
const QString kMember2 = QStringLiteral("成员2户口所在地行政区划");

void codes(Database &db, const QString &table, QVariant birth, QVariant hukou, QVariant m1, QVariant m2)
{
    insertStudent(db, table, {{kBirth, birth}, {kHukou, hukou}, {kMember1, m1}, {kMember2, m2}});
}

// Every row of a table as "a|b|c|d" over the given columns, NULL as <null>.
QStringList rows(Database &db, const QString &table, const QStringList &columns)
{
    const QueryResult r = db.query(QStringLiteral("select %1 from %2 order by id").arg(columns.join(QLatin1Char(',')), table));
    QStringList out;
    for (const QVariantList &row : r.rows) {
        QStringList cells;
        for (const QVariant &v : row)
            cells << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace

class TestTableOperations : public QObject
{
    Q_OBJECT

private slots:
    void paddingAppendsZerosAndCounts();
    void paddingStopsAtAFailingTable();
    void mergeCopiesRowsWithFreshIds();
    void mergeReplacesAnEarlierMerge();
    void mergeOfOneEmptyTable();
    void mergeFailureLeavesTheEarlierMergeWhole();
    void mergeRefusals_data();
    void mergeRefusals();
    void tableListsAndClassSelection();
    void recordItemsOrderedByPinyin();
    void recordItemId_data();
    void recordItemId();
};

void TestTableOperations::paddingAppendsZerosAndCounts()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    Database &db = *env.db;
    const QVariant null;
    codes(db, QStringLiteral("高一01"), "440606", "440606001", "440606000000", null);
    // 8 and 0 characters stay; a code with a trailing blank counts as 6 and loses the blank.
    codes(db, QStringLiteral("高一01"), "44060600", "", "440606", "440606 ");
    codes(db, QStringLiteral("高一02"), "110105", "110105", "11010500", "110105001002");
    RecordingDatabase recording(db);
    const QStringList tables = {QStringLiteral("高一01"), QStringLiteral("高一02")};
    const qint64 count = RegionCodePadding::padRegionCodes(recording, tables);
    QCOMPARE(count, 6);
    // The history lines of the padded tables aside.
    recording.statements.removeIf([](const QString &sql) { return !sql.startsWith(QStringLiteral("update")); });
    QCOMPARE(recording.statements.size(), 16);
    QCOMPARE(recording.statements.front(),
             QStringLiteral("update 高一01 set 出生地行政区划代码 = rtrim(出生地行政区划代码) + '000000' where len(出生地行政区划代码) = 6"));
    QCOMPARE(recording.statements.at(1),
             QStringLiteral("update 高一01 set 出生地行政区划代码 = rtrim(出生地行政区划代码) + '000' where len(出生地行政区划代码) = 9"));
    QCOMPARE(recording.statements.at(8).left(11), QStringLiteral("update 高一02"));
    const QStringList columns = {kBirth, kHukou, kMember1, kMember2};
    QCOMPARE(rows(db, QStringLiteral("高一01"), columns),
             QStringList({"440606000000|440606001000|440606000000|<null>", "44060600||440606000000|440606000000"}));
    QCOMPARE(rows(db, QStringLiteral("高一02"), columns),
             QStringList({"110105000000|110105000000|11010500|110105001002"}));
    QCOMPARE(RegionCodePadding::resultMessage(count), QStringLiteral("执行结果，更新符合条件的单项数据共 6 个。"));
    // A second run finds nothing short.
    QCOMPARE(RegionCodePadding::padRegionCodes(db, tables), 0);
    QCOMPARE(rows(db, QStringLiteral("高一02"), columns),
             QStringList({"110105000000|110105000000|11010500|110105001002"}));
}

void TestTableOperations::paddingStopsAtAFailingTable()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    env.db->execute(QStringLiteral("create table 名单 (姓名 TEXT)"));
    codes(*env.db, QStringLiteral("高一01"), "440606", QVariant(), QVariant(), QVariant());
    codes(*env.db, QStringLiteral("高一02"), "440606", QVariant(), QVariant(), QVariant());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, RegionCodePadding::padRegionCodes(
                                                *env.db, {QStringLiteral("高一01"), QStringLiteral("名单"), QStringLiteral("高一02")}));
    QCOMPARE(rows(*env.db, QStringLiteral("高一01"), {kBirth}), QStringList{"440606000000"});
    QCOMPARE(rows(*env.db, QStringLiteral("高一02"), {kBirth}), QStringList{"440606"});
}

void TestTableOperations::mergeCopiesRowsWithFreshIds()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), "张三"}, {QStringLiteral("班号"), "01"}});
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), "李四"}, {QStringLiteral("班号"), "01"}});
    insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), "王五"}, {QStringLiteral("班号"), "02"}});
    RecordingDatabase db(*env.db);
    const int count = TableMerge::mergeTables(db, {QStringLiteral("高一01"), QStringLiteral("高一02")}, QStringLiteral("  合并表 "), false);
    QCOMPARE(count, 2);
    QCOMPARE(TableMerge::resultMessage(count), QStringLiteral("已合并 2 个表。"));
    const QString k = RecordColumns::dataColumns().join(QLatin1Char(','));
    // The merge's history line aside.
    db.statements.removeIf([](const QString &sql) {
        return sql.contains(QStringLiteral("tavro_history")) || sql.startsWith(QStringLiteral("select last"))
               || sql.contains(QStringLiteral("current_user"));
    });
    QCOMPARE(db.statements,
             QStringList({QStringLiteral("if exists(select * from sysObjects where name = '合并表') drop table 合并表"),
                          QStringLiteral("select * into 合并表 from init2 where 1 <> 1"),
                          QStringLiteral("select * from init2 where 1 <> 1"),
                          QStringLiteral("insert into 合并表 (%1)  select %1 from 高一01").arg(k),
                          QStringLiteral("insert into 合并表 (%1)  select %1 from 高一02").arg(k)}));
    // The ids of 高一01 (1, 2) and 高一02 (1) would collide; the merged table numbers afresh.
    QCOMPARE(rows(*env.db, QStringLiteral("合并表"), {QStringLiteral("id"), QStringLiteral("姓名"), QStringLiteral("班号")}),
             QStringList({"1|张三|01", "2|李四|01", "3|王五|02"}));
    QCOMPARE(env.db->query(QStringLiteral("select * from 合并表")).columns,
             env.db->query(QStringLiteral("select * from Init2")).columns);
}

void TestTableOperations::mergeReplacesAnEarlierMerge()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), "张三"}});
    insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), "王五"}});
    TableMerge::mergeTables(*env.db, {QStringLiteral("高一01"), QStringLiteral("高一02")}, TableMerge::defaultTarget(), false);
    // Without the user's word the earlier merge stays, and says how much it holds.
    QCOMPARE(TableMerge::existingRows(*env.db, TableMerge::defaultTarget()), std::optional<qint64>(2));
    try {
        TableMerge::mergeTables(*env.db, {QStringLiteral("高一02")}, TableMerge::defaultTarget(), false);
        QFAIL("an existing table was replaced without being asked");
    } catch (const AppError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("--replace")), qPrintable(e.text()));
    }
    QCOMPARE(rows(*env.db, QStringLiteral("合并表"), {QStringLiteral("姓名")}), QStringList({"张三", "王五"}));
    TableMerge::mergeTables(*env.db, {QStringLiteral("高一02")}, TableMerge::defaultTarget(), true);
    QCOMPARE(rows(*env.db, QStringLiteral("合并表"), {QStringLiteral("id"), QStringLiteral("姓名")}), QStringList{"1|王五"});
}

void TestTableOperations::mergeOfOneEmptyTable()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("初三12"));
    QCOMPARE(TableMerge::mergeTables(*env.db, {QStringLiteral("初三12")}, QStringLiteral("全校"), false), 1);
    QVERIFY(env.db->tableNames().contains(QStringLiteral("全校")));
    QCOMPARE(env.db->query(QStringLiteral("select * from 全校")).rowCount(), 0);
}

void TestTableOperations::mergeFailureLeavesTheEarlierMergeWhole()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), "张三"}});
    insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), "王五"}});
    TableMerge::mergeTables(*env.db, {QStringLiteral("高一02")}, TableMerge::defaultTarget(), false);
    // Init1 lacks some of Init2's columns (班号, for one): the last insert fails.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, TableMerge::mergeTables(*env.db, {QStringLiteral("高一01"), QStringLiteral("Init1")},
                                                                   TableMerge::defaultTarget(), true));
    QCOMPARE(rows(*env.db, QStringLiteral("合并表"), {QStringLiteral("id"), QStringLiteral("姓名")}), QStringList{"1|王五"});
    // The connection is usable afterwards: nothing is left half begun.
    QCOMPARE(TableMerge::mergeTables(*env.db, {QStringLiteral("高一01")}, TableMerge::defaultTarget(), true), 1);
}

void TestTableOperations::mergeRefusals_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "" << "请输入合并后名称。";
    QTest::newRow("blanks") << "   " << "请输入合并后名称。";
    QTest::newRow("inner blank") << "合并 表" << "合并后名称“合并 表”只能由字母、数字、汉字和下划线组成，且不能以数字开头。";
    QTest::newRow("statement") << "x; drop table 高一01"
                               << "合并后名称“x; drop table 高一01”只能由字母、数字、汉字和下划线组成，且不能以数字开头。";
    QTest::newRow("quote") << "合并'表" << "合并后名称“合并'表”只能由字母、数字、汉字和下划线组成，且不能以数字开头。";
    QTest::newRow("leading digit") << "2015届" << "合并后名称“2015届”只能由字母、数字、汉字和下划线组成，且不能以数字开头。";
    QTest::newRow("Init2") << "Init2" << "不能合并到模板表 Init2，请换一个合并后名称。";
    QTest::newRow("init1 in other case") << " init1" << "不能合并到模板表 Init1，请换一个合并后名称。";
    QTest::newRow("selected class table") << "高一01" << "合并后名称“高一01”是要合并的表之一，请换一个名称。";
    QTest::newRow("selected other table") << "名单" << "合并后名称“名单”是要合并的表之一，请换一个名称。";
    QTest::newRow("unselected class table") << "初三12" << "合并后名称“初三12”以 高、初 或 小 开头，会被当作班级表，请换一个名称。";
    QTest::newRow("any name of a class's grade") << "高中全体" << "合并后名称“高中全体”以 高、初 或 小 开头，会被当作班级表，请换一个名称。";
}

void TestTableOperations::mergeRefusals()
{
    QFETCH(QString, target);
    QFETCH(QString, message);
    TestEnv env;
    for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("初三12"), QStringLiteral("名单")}) {
        env.createClassTable(t);
        insertStudent(*env.db, t, {{QStringLiteral("姓名"), "张三"}});
    }
    const QStringList before = env.db->tableNames();
    const QStringList tables = {QStringLiteral("高一01"), QStringLiteral("名单")};
    QCOMPARE(TableMerge::refusal(target, tables), message);
    RecordingDatabase db(*env.db);
    try {
        TableMerge::mergeTables(db, tables, target, true);
        QFAIL("the merge went ahead");
    } catch (const AppError &e) {
        QCOMPARE(e.text(), message);
    }
    QVERIFY(db.statements.isEmpty());
    QCOMPARE(env.db->tableNames(), before);
    for (const QString &t : before.mid(2))
        QCOMPARE(env.db->query(QStringLiteral("select * from ") + t).rowCount(), 1);
}

void TestTableOperations::tableListsAndClassSelection()
{
    TestEnv env;
    for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("初二03"), QStringLiteral("小六12"),
                             QStringLiteral("合并表"), QStringLiteral("高级")})
        env.createClassTable(t);
    env.db->execute(QStringLiteral("create view 视图 as select 姓名 from 高一01"));
    const QStringList names = TableLists::tableNames(*env.db);
    QCOMPARE(names, QStringList({"Init2", "Init1", "高一01", "初二03", "小六12", "合并表", "高级", "视图"}));
    // The first character decides: 高级 is no class table but begins with 高.
    QCOMPARE(TableLists::classTableSelection(names), QList<bool>({false, false, true, true, true, false, true, false}));
    QCOMPARE(TableLists::listedName(names, QStringLiteral("高一01")), QStringLiteral("高一01"));
    QCOMPARE(TableLists::listedName(names, QStringLiteral("init2")), QStringLiteral("Init2"));
    QCOMPARE(TableLists::listedName(names, QStringLiteral("高一")), QString());
    QCOMPARE(TableLists::listedName(names, QStringLiteral("高一01 ")), QString());
    QCOMPARE(TableLists::listedName(names, QString()), QString());
}

void TestTableOperations::recordItemsOrderedByPinyin()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    const QList<std::pair<int, QString>> students = {
        {1234, "张三"}, {7, "李四"}, {42, "阿明"}, {12345, "张三"}, {100000, "王五"}};
    for (const auto &[id, name] : students)
        insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("id"), id}, {QStringLiteral("姓名"), name}});
    QCOMPARE(TableLists::recordItems(*env.db, QStringLiteral("高一01")),
             QStringList({"42   阿明", "7    李四", "100000 王五", "1234 张三", "12345 张三"}));
    QVERIFY(TableLists::recordItems(*env.db, QStringLiteral("高一02")).isEmpty());
    // Init1 has no id column.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, TableLists::recordItems(*env.db, QStringLiteral("Init1")));
}

void TestTableOperations::recordItemId_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("id");
    QTest::newRow("one digit") << "7    张三" << "7";
    QTest::newRow("two digits") << "42   张三" << "42";
    QTest::newRow("four digits") << "1234 张三" << "1234";
    QTest::newRow("five digits") << "12345 张三" << "12345";
    QTest::newRow("six digits") << "100000 张三" << "100000";
    // The lists always write a blank after the id; a text without one has no id.
    QTest::newRow("no blank") << "12345张三" << "";
    QTest::newRow("leading blank") << " 7   张三" << "";
    QTest::newRow("empty") << "" << "";
}

void TestTableOperations::recordItemId()
{
    QFETCH(QString, item);
    QFETCH(QString, id);
    // The management window and the entry form read an item's id alike.
    QCOMPARE(RecordItem::idText(item), id);
    QCOMPARE(ManagementWindow::ExtractRecordId(item), id);
}

QTEST_GUILESS_MAIN(TestTableOperations)
#include "tst_table_operations.moc"
