// The start-up road: dialog, confirmation, connection, class table, entry form.
#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include "app/application_shell.h"
#include "app/class_choice_dialog.h"
#include "entry/entry_form.h"
#include "entry/teacher_lock.h"
#include "shell_run.h"
#include "test_env.h"
#include "ui_entry_form.h"

namespace {

using Run = ShellRun;

} // namespace

class TestApplicationShell : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesDatabaseAndClassTable();
    void secondStartCreatesNothing();
    void noDatabaseEndsTheProgram();
    void serverModeWithoutConfigEnds();
    void fileWithoutTemplateIsRefusedAtStartUp();
    void classTableThatCannotBeMadeIsReportedAndFormStays();
    void teacherButtonOpensManagementWindow();
    void startUpLeavesTheNameFieldReady();
    void anotherClassWithoutARestart();
};

void TestApplicationShell::firstStartCreatesDatabaseAndClassTable()
{
    TestEnv env(QDateTime(QDate(2026, 10, 9), QTime(8, 0)));
    QTemporaryDir work;
    Run run(env, work.path());
    QVERIFY(run.shell.dialog().isVisible());
    QVERIFY(!run.shell.form().isVisible());

    env.messages.answerNext(Messages::Answer::Ok);  // confirmation
    env.messages.answerNext(Messages::Answer::Yes); // create the database
    run.choose(11, 29);                             // 小六, 30
    QCOMPARE(run.ends.size(), 0);
    QVERIFY(run.shell.form().isVisible());
    QVERIFY(!run.shell.dialog().isVisible());
    QVERIFY(run.shell.form().windowState() & Qt::WindowMaximized);
    QCOMPARE(run.shell.form().windowTitle(), QStringLiteral("学生学籍信息录入 - 当前录入【小六30班】"));
    // The question about the missing file belongs to the entry form, which is shown by then.
    QCOMPARE(env.messages.shown.size(), 2);
    QCOMPARE(env.messages.shown.at(1).kind, ScriptedMessages::Kind::Box);
    QCOMPARE(env.messages.shown.at(1).title, run.shell.form().windowTitle());
    QCOMPARE(env.messages.shown.at(1).buttons, Messages::Buttons::YesNo);

    Ui::TForm1 *ui = run.shell.form().ui();
    QCOMPARE(ui->edtGrade->text(), QStringLiteral("小六"));
    QCOMPARE(ui->edtClass->text(), QStringLiteral("30"));
    QCOMPARE(ui->edtMonth->text(), QStringLiteral("09"));
    QCOMPARE(ui->cbYear->itemText(0), QStringLiteral("2026"));
    QCOMPARE(ui->cbYear->currentText(), QStringLiteral("2020"));
    QCOMPARE(ui->dtBirth->date(), QDate(2026, 10, 9));
    for (QComboBox *prov : {ui->cbProv1, ui->cbProv2, ui->cbProv3, ui->cbProv4})
        QCOMPARE(prov->currentText(), QStringLiteral("广东省"));
    for (QComboBox *city : {ui->cbCity1, ui->cbCity2, ui->cbCity3, ui->cbCity4})
        QCOMPARE(city->currentText(), QStringLiteral("佛山市"));
    for (QComboBox *area : {ui->cbArea1, ui->cbArea2, ui->cbArea3, ui->cbArea4}) {
        QCOMPARE(area->count(), 6);
        QCOMPARE(area->currentIndex(), -1);
    }

    Database *db = run.shell.setup().database();
    QVERIFY(db);
    QCOMPARE(db->tableNames(), QStringList({QStringLiteral("Init2"), QStringLiteral("Init1"), QStringLiteral("小六30")}));
    QCOMPARE(db->query(QStringLiteral("select * from 小六30")).columnCount(), 48);
    // Saving and edit mode work on the class table just opened.
    QCOMPARE(run.shell.form().classTable(), QStringLiteral("小六30"));
}

void TestApplicationShell::secondStartCreatesNothing()
{
    TestEnv env(QDateTime(QDate(2015, 3, 15), QTime(9, 0)));
    QTemporaryDir work;
    {
        Run first(env, work.path());
        env.messages.answerNext(Messages::Answer::Ok);
        env.messages.answerNext(Messages::Answer::Yes);
        first.choose(5, 11); // 初三, 12
        first.shell.setup().database()->execute(QStringLiteral("insert into 初三12 (姓名) values ('张三')"));
    }
    env.messages.clear();
    Run second(env, work.path(), {QStringLiteral("-ACCESS")});
    second.choose(5, 11);
    QCOMPARE(env.messages.shown.size(), 1); // the confirmation only
    QCOMPARE(second.shell.form().ui()->cbYear->currentText(), QStringLiteral("2011"));
    Database *db = second.shell.setup().database();
    QCOMPARE(db->tableNames().count(QStringLiteral("初三12")), 1);
    QCOMPARE(db->query(QStringLiteral("select 姓名 from 初三12")).text(0, 0), QStringLiteral("张三"));
}

void TestApplicationShell::noDatabaseEndsTheProgram()
{
    TestEnv env;
    QTemporaryDir work;
    Run run(env, work.path());
    env.messages.answerNext(Messages::Answer::Ok);
    env.messages.answerNext(Messages::Answer::No); // do not create
    run.choose(0, 0);
    QCOMPARE(env.messages.lastText(), QStringLiteral("连接数据库失败，程序即将退出。请联系管理员。"));
    QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Plain);
    QTRY_COMPARE(run.ends.size(), 1);
    QCOMPARE(run.ends.first().first().toInt(), 1);
}

void TestApplicationShell::serverModeWithoutConfigEnds()
{
    TestEnv env;
    QTemporaryDir work;
    Run run(env, work.path(), {});
    run.choose(0, 0);
    QCOMPARE(env.messages.lastText(), QStringLiteral("连接数据库失败，程序即将退出。请联系管理员。"));
    QTRY_COMPARE(run.ends.size(), 1);
    QVERIFY(!QFile::exists(QDir(work.path()).filePath(QStringLiteral("tavro.db"))));
}

void TestApplicationShell::fileWithoutTemplateIsRefusedAtStartUp()
{
    // A SQLite file of another program (no Init2) is not taken for a database:
    // the start-up's connection failure, and the file is left as it was.
    TestEnv env;
    env.db->execute(QStringLiteral("drop table Init2"));
    env.db.reset();
    QFile file(env.path(QStringLiteral("tavro.db")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    Run run(env, env.dir.path());
    run.choose(0, 0);
    QCOMPARE(env.messages.lastText(), QStringLiteral("连接数据库失败，程序即将退出。请联系管理员。"));
    QTRY_COMPARE(run.ends.size(), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QVERIFY(!QFile::exists(env.path(QStringLiteral("tavro.db-wal"))));
}

void TestApplicationShell::classTableThatCannotBeMadeIsReportedAndFormStays()
{
    TestEnv env;
    // An index holds the class table's name, so the table cannot be created.
    env.db->execute(QStringLiteral("create index 高一01 on Init2 (姓名)"));
    Run run(env, env.dir.path());
    run.choose(0, 0);
    QCOMPARE(env.messages.shown.last().kind, ScriptedMessages::Kind::Error);
    QVERIFY(env.messages.lastText().contains(QStringLiteral("高一01")));
    QVERIFY(env.messages.lastText().endsWith(QLatin1Char('.')));
    QCOMPARE(run.ends.size(), 0);
    QVERIFY(run.shell.form().isVisible());
    QVERIFY(!run.shell.setup().database()->tableNames().contains(QStringLiteral("高一01")));

    // Without a class table, edit mode reports it instead of reading anything.
    env.messages.clear();
    run.shell.form().ui()->chEdit->setChecked(true);
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.first().kind, ScriptedMessages::Kind::Error);
    QCOMPARE(run.shell.form().ui()->cbStud->count(), 0);
}

void TestApplicationShell::teacherButtonOpensManagementWindow()
{
    TestEnv env;
    Run run(env, env.dir.path());
    run.choose(0, 0);
    Ui::TForm1 *ui = run.shell.form().ui();
    QVERIFY(!ui->chEdit->isVisibleTo(&run.shell.form()));
    QStringList opened;
    for (int press = 0; press < 2; ++press) {
        QTimer::singleShot(0, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            opened << modal->objectName() + QLatin1Char('/') + modal->windowTitle();
            // The window lists the database's tables, the new class table among them.
            auto *tables = modal->findChild<QListWidget *>(QStringLiteral("ListBox2"));
            QVERIFY(tables);
            QVERIFY(!tables->findItems(QStringLiteral("高一01"), Qt::MatchExactly).isEmpty());
            modal->close();
        });
        run.shell.form().teacherLock().openChecked(); // the teacher's password is asked elsewhere
        run.shell.form().SpeedButton1Click();
    }
    QCOMPARE(opened, QStringList(2, QStringLiteral("TForm3/管理模块")));
    // Closed without edit mode, the teacher's functions lock: 编辑 alone stays.
    QVERIFY(ui->chEdit->isVisibleTo(&run.shell.form()));
    QVERIFY(!ui->cbStud->isVisibleTo(&run.shell.form()));
}

void TestApplicationShell::startUpLeavesTheNameFieldReady()
{
    TestEnv env;
    Run run(env, env.dir.path());
    run.choose(0, 0);
    EntryForm &form = run.shell.form();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    Ui::TForm1 *ui = form.ui();
    // The class setup's default regions move the focus off the lists; the
    // first pupil's name is still typed straight away, and Tab goes on to 性别.
    QCOMPARE(QApplication::focusWidget(), ui->edtName);
    QTest::keyClick(ui->edtName, Qt::Key_A);
    QCOMPARE(ui->edtName->text(), QStringLiteral("a"));
    QTest::keyClick(ui->edtName, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), ui->cbSex);
}

void TestApplicationShell::anotherClassWithoutARestart()
{
    TestEnv env(QDateTime(QDate(2026, 10, 9), QTime(8, 0)));
    QTemporaryDir work;
    Run run(env, work.path());
    env.messages.answerNext(Messages::Answer::Ok);
    env.messages.answerNext(Messages::Answer::Yes);
    run.choose(0, 0); // 高一 01
    EntryForm &form = run.shell.form();
    Ui::TForm1 *ui = form.ui();
    ui->edtName->setText(QStringLiteral("张三"));

    // 换班级 with a pupil typed: 取消 stays, 不保存 goes back to the class dialog.
    env.messages.clear();
    env.messages.answerNext(Messages::Answer::Cancel);
    QTest::mouseClick(ui->btnChangeClass, Qt::LeftButton);
    QVERIFY(form.isVisible());
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三"));
    env.messages.answerNext(Messages::Answer::Discard);
    QTest::mouseClick(ui->btnChangeClass, Qt::LeftButton);
    QCOMPARE(env.messages.texts(), QStringList(2, QStringLiteral("有未保存的修改，是否保存？")));
    QVERIFY(!form.isVisible());
    QVERIFY(run.shell.dialog().isVisible());

    env.messages.answerNext(Messages::Answer::Ok);
    run.choose(0, 1); // 高一 02
    QCOMPARE(run.ends.size(), 0);
    QVERIFY(form.isVisible());
    QCOMPARE(form.windowTitle(), QStringLiteral("学生学籍信息录入 - 当前录入【高一02班】"));
    QCOMPARE(form.classTable(), QStringLiteral("高一02"));
    QCOMPARE(ui->edtClass->text(), QStringLiteral("02"));
    QVERIFY(ui->edtName->text().isEmpty());
    QVERIFY(run.shell.setup().database()->tableNames().contains(QStringLiteral("高一02")));
}

QTEST_MAIN(TestApplicationShell)
#include "tst_application_shell.moc"
