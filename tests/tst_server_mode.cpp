// The program started in server mode against a PostgreSQL server named in
// config.ini: connection, start-up date from the server, class table on the
// server. Skipped when TAVRO_TEST_PG is not set.
#include <QtTest>
#include <QComboBox>

#include "app/application_shell.h"
#include "app/class_choice_dialog.h"
#include "entry/entry_form.h"
#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "entry_form_driver.h"
#include "platform/guard.h"
#include "shell_run.h"
#include "test_env.h"
#include "ui_entry_form.h"

namespace {

// Server mode: no -access, config.ini in the program folder.
struct Run : ShellRun
{
    explicit Run(TestEnv &env) : ShellRun(env, env.dir.path(), {}) {}
};

} // namespace

class TestServerMode : public QObject
{
    Q_OBJECT

private slots:
    void startsOnTheServer();
    void secondWorkstationFindsTheClassTable();
    void wrongPasswordEndsTheProgram();
    void missingTemplateOnTheServerIsReported();
    void serverGoingAwayFailsTheNextSaveOnly();
    void formKeepsItsValuesWhenTheServerIsGone();
};

void TestServerMode::startsOnTheServer()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    // The local clock says 2015; the server's date is today's.
    TestEnv env(QStringLiteral("postgresql"), QDateTime(QDate(2015, 3, 15), QTime(9, 0)));
    env.writeConfigIni();
    Run run(env);
    env.messages.answerNext(Messages::Answer::Ok); // confirmation
    run.choose(0, 0);                              // 高一, 01
    QCOMPARE(run.ends.size(), 0);
    QVERIFY(run.shell.form().isVisible());
    Database *db = run.shell.setup().database();
    QVERIFY(db);
    QCOMPARE(db->engine(), Database::Engine::PostgreSql);
    const QDate serverDate = db->query(QStringLiteral("select current_date")).rows.at(0).at(0).toDate();
    QCOMPARE(run.shell.setup().startupDate().date(), serverDate);
    QCOMPARE(run.shell.form().ui()->dtBirth->date(), serverDate);
    QCOMPARE(db->tableNames(), QStringList({"Init2", "Init1", "高一01"}));
    // The class table lives on the server, with its own numbering.
    QVERIFY(env.db->tableNames().contains(QStringLiteral("高一01")));
    db->execute(QStringLiteral("insert into 高一01 (姓名) values ('张三')"));
    QCOMPARE(env.db->query(QStringLiteral("select id, 姓名 from 高一01")).text(0, 1), QStringLiteral("张三"));
    QCOMPARE(run.shell.form().ui()->cbProv1->currentText(), QStringLiteral("广东省"));
}

void TestServerMode::secondWorkstationFindsTheClassTable()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.createClassTable(QStringLiteral("初三12"));
    env.db->execute(QStringLiteral("insert into 初三12 (姓名) values ('李四')"));
    env.writeConfigIni();
    Run run(env);
    env.messages.answerNext(Messages::Answer::Ok);
    run.choose(5, 11); // 初三, 12
    QCOMPARE(env.messages.shown.size(), 1); // the confirmation only
    QCOMPARE(env.db->tableNames().count(QStringLiteral("初三12")), 1);
    QCOMPARE(env.db->query(QStringLiteral("select 姓名 from 初三12")).text(0, 0), QStringLiteral("李四"));
}

void TestServerMode::wrongPasswordEndsTheProgram()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.serverSettings.password += QStringLiteral("-wrong");
    env.writeConfigIni();
    Run run(env);
    env.messages.answerNext(Messages::Answer::Ok);
    run.choose(0, 0);
    QCOMPARE(env.messages.lastText(), QStringLiteral("连接数据库失败，程序即将退出。请联系管理员。"));
    QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Plain);
    QTRY_COMPARE(run.ends.size(), 1);
    QCOMPARE(run.ends.first().first().toInt(), 1);
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("高一01")));
}

void TestServerMode::missingTemplateOnTheServerIsReported()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.db->execute(QStringLiteral("drop table Init2"));
    env.writeConfigIni();
    Run run(env);
    env.messages.answerNext(Messages::Answer::Ok);
    run.choose(0, 0);
    QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Error);
    QVERIFY2(env.messages.lastText().contains(QStringLiteral("init2")), qPrintable(env.messages.lastText()));
    QCOMPARE(run.ends.size(), 0);
    QVERIFY(run.shell.form().isVisible());
    QVERIFY(!env.db->tableNames().contains(QStringLiteral("高一01")));
}

void TestServerMode::serverGoingAwayFailsTheNextSaveOnly()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    env.writeConfigIni();
    Run run(env);
    env.messages.answerNext(Messages::Answer::Ok);
    run.choose(0, 0);
    Database &db = *run.shell.setup().database();
    RecordSaver saver(db, QStringLiteral("高一01"), env.path(QStringLiteral("debug.txt")));
    QStringList values(RecordColumns::Count, QStringLiteral("0-否"));
    values[RecordColumns::Name] = QStringLiteral("张三");
    values[RecordColumns::CardNo] = QStringLiteral("11010519491231002X");
    // A save action as the form's handler runs it: inside the guard.
    auto save = [&] {
        return runGuarded(env.messages, [&] {
            QVERIFY(saver.insertRecord(values, values.at(0), values.at(RecordColumns::CardNo), nullptr));
        });
    };
    QVERIFY(save());

    // The server drops the session and refuses new ones for a while.
    const QString pid = db.query(QStringLiteral("select pg_backend_pid()")).text(0, 0);
    env.serverAdmin(QStringLiteral("alter database %1 allow_connections false").arg(env.serverSettings.database));
    env.serverAdmin(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
    env.messages.clear();
    values[RecordColumns::Name] = QStringLiteral("李四");
    values[RecordColumns::CardNo] = QStringLiteral("440524188001010014");
    QVERIFY(!save());
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Error);
    QVERIFY(!save()); // still away: the new connection is refused, said the same way
    QCOMPARE(env.messages.shown.size(), 2);
    QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Error);
    QVERIFY(env.messages.lastText().contains(QStringLiteral("not currently accepting connections")));

    // Back again: the same save goes through on a new session, nothing lost or doubled.
    env.serverAdmin(QStringLiteral("alter database %1 allow_connections true").arg(env.serverSettings.database));
    QVERIFY(save());
    const QueryResult rows = env.db->query(QStringLiteral("select id, 姓名 from 高一01 order by id"));
    QCOMPARE(rows.rowCount(), 2);
    QCOMPARE(rows.text(0, 1), QStringLiteral("张三"));
    QCOMPARE(rows.text(1, 1), QStringLiteral("李四"));
}

void TestServerMode::formKeepsItsValuesWhenTheServerIsGone()
{
    TAVRO_REQUIRE_ENGINE("postgresql");
    TestEnv env(QStringLiteral("postgresql"));
    EntryFormDriver d(env);
    d.fillStudent();
    const QStringList typed = d.fieldSnapshot();
    const QString pid = d.db().query(QStringLiteral("select pg_backend_pid()")).text(0, 0);
    env.serverAdmin(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));

    d.clickSave();
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Error);
    QCOMPARE(d.fieldSnapshot(), typed);
    QVERIFY(d.ui()->lblHint1->text().isEmpty());
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("0"));

    // The next press saves the same pupil once.
    env.messages.clear();
    d.clickSave();
    QCOMPARE(env.messages.texts(), QStringList());
    QCOMPARE(d.ui()->lblHint1->text(), QStringLiteral("张 三 的学籍数据已成功保存"));
    QCOMPARE(d.storedRow(1), EntryFormDriver::expectedValues());
    QCOMPARE(env.db->query(QStringLiteral("select count(*) from 高一01")).text(0, 0), QStringLiteral("1"));
}

QTEST_MAIN(TestServerMode)
#include "tst_server_mode.moc"
