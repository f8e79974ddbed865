// The command line's remove, removed, bring-back, delete-removed and move on
// the local file (--db) or the server of config.ini.
// Runs on every database engine.
#include <QtTest>

#include "cli/command_line.h"
#include "admin_command_run.h"
#include "test_env.h"

namespace {


// Every table with its row count: what a refused command must leave as it was.
QString state(Database &db)
{
    QStringList names = db.tableNames();
    names.sort();
    QStringList parts;
    for (const QString &name : names)
        parts << name + QLatin1Char('=') + db.query(QStringLiteral("select count(*) from %1").arg(name)).text(0, 0);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestLifecycleCommands : public QObject
{
    Q_OBJECT

private slots:
    void usageErrorsChangeNothing();
    void removeListBringBackDeleteAndMove();
};

void TestLifecycleCommands::usageErrorsChangeNothing()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.db->execute(QStringLiteral("insert into 高一01 (姓名) values ('甲')"));
    const QString before = state(*env.db);
    const QList<QStringList> wrong = {
        {"remove", "--table", "高一01", "--ids", "1"},
        {"remove", "--table", "高一01", "--ids", "1", "--reason", "走了"},
        {"remove", "--table", "高一01", "--ids", "1", "--reason", "其他"},
        {"remove", "--table", "高一01", "--ids", "1", "--reason", "转学", "--note", "去外地"},
        {"remove", "--table", "高一01", "--ids", "1,x", "--reason", "转学"},
        {"remove", "--table", "高一01", "--ids", "0", "--reason", "转学"},
        {"remove", "--table", "高一01", "--ids", "1", "--reason", "转学", "--to", "高一02"},
        {"move", "--table", "高一01", "--ids", "1"},
        {"move", "--table", "高一01", "--ids", "1", "--to", "高一02", "多余"},
        {"bring-back", "--ids", "1", "--table", "高一01"},
        {"delete-removed", "--ids", ","},
        {"removed", "--ids", "1"},
    };
    for (const QStringList &args : wrong) {
        const AdminCommandRun r = runAdminOn(env, args);
        QVERIFY2(r.status == 2, qPrintable(args.join(' ') + ": " + r.err));
        QVERIFY2(r.err.contains(QStringLiteral("--help")), qPrintable(r.err));
    }
    // Refused once begun (no such pupil, no such kept record, no class to make): nothing changed either.
    const QList<QStringList> refused = {
        {"remove", "--table", "高一01", "--ids", "5", "--reason", "转学"},
        {"remove", "--table", "高一09", "--ids", "1", "--reason", "转学"},
        {"bring-back", "--ids", "1"},
        {"delete-removed", "--ids", "1"},
        {"move", "--table", "高一01", "--ids", "1", "--to", "一班"},
        {"move", "--table", "高一01", "--ids", "5", "--to", "高一02"},
    };
    for (const QStringList &args : refused) {
        const AdminCommandRun r = runAdminOn(env, args);
        QVERIFY2(r.status == 1 && !r.err.isEmpty(), qPrintable(args.join(' ') + ": " + r.out));
    }
    // Program tables may have been made empty on the way; no class table was touched.
    QCOMPARE(state(*env.db).remove(QRegularExpression(QStringLiteral(" tavro_\\w+=0"))), before);
}

void TestLifecycleCommands::removeListBringBackDeleteAndMove()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    Database &db = *env.db;
    db.execute(QStringLiteral("insert into 高一01 (姓名, 身份证件号, 入学年月, 班号) values ('甲', '440606200903150011', "
                              "'201409', '2014301'), ('乙', '', '', ''), ('丙', '', '', '')"));

    AdminCommandRun r = runAdminOn(env, {"remove", "--table", "高一01", "--ids", "1，2", "--reason", "其他", "--note", "随父母外出"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    r = runAdminOn(env, {"removed", "--table", "高一01"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("\t高一01\t1\t甲\t440606********0011\t其他：随父母外出\t")), qPrintable(r.out));
    QCOMPARE(r.out.count(QLatin1Char('\n')), 4); // heading, two records, count
    const QString keptOfYi = r.out.section(QLatin1Char('\n'), 1, 1).section(QLatin1Char('\t'), 0, 0);

    r = runAdminOn(env, {"bring-back", "--ids", keptOfYi});
    QVERIFY2(r.status == 0 && r.out.contains(QStringLiteral("乙")), qPrintable(r.err + r.out));
    QCOMPARE(db.query(QStringLiteral("select 姓名 from 高一01 where id = 2")).text(0, 0), QStringLiteral("乙"));

    r = runAdminOn(env, {"delete-removed", "--ids", "1,99"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    r = runAdminOn(env, {"removed"});
    QVERIFY2(r.out.contains(QStringLiteral("没有已移出的记录")), qPrintable(r.out));

    r = runAdminOn(env, {"move", "--table", "高一01", "--ids", "2,3", "--to", "初一04"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("新建班级表 初一04")), qPrintable(r.out));
    QCOMPARE(db.query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("0"));
    QCOMPARE(db.query(QStringLiteral("select count(*) from 初一04")).text(0, 0), QStringLiteral("2"));
}

QTEST_GUILESS_MAIN(TestLifecycleCommands)
#include "tst_lifecycle_commands.moc"
