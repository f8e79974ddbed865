// Start-up rules: database mode, entry year, connection, the grade and class dialog.
#include <QtTest>
#include <QComboBox>
#include <QPushButton>

#include "app/class_choice_dialog.h"
#include "app/database_connection.h"
#include "app/database_mode.h"
#include "core/record/entry_year.h"
#include "test_env.h"

class TestClassSetupRules : public QObject
{
    Q_OBJECT

private slots:
    void databaseMode_data();
    void databaseMode();
    void entryYear_data();
    void entryYear();
    void newestListedYear();
    void newLocalFileOnYes();
    void noLocalFileOnNo();
    void existingFileIsOpenedWithoutAsking();
    void foreignFileIsRefusedAndKept();
    void serverWithoutConfigFails();
    void dialogNeedsGradeAndClass();
    void dialogConfirmation();
    void dialogEscEnds();
    void dialogByKeyboard();
};

void TestClassSetupRules::databaseMode_data()
{
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("local");
    QTest::newRow("server by default") << "tavro" << QStringList() << false;
    QTest::newRow("tavro2.exe") << "tavro2.exe" << QStringList() << true;
    QTest::newRow("TAVRO2.EXE") << "TAVRO2.EXE" << QStringList() << true;
    QTest::newRow("tavro2 without extension") << "Tavro2" << QStringList() << true;
    QTest::newRow("tavro22.exe is another name") << "tavro22.exe" << QStringList() << false;
    QTest::newRow("-access first") << "tavro" << QStringList{"-access"} << true;
    QTest::newRow("-ACCESS first") << "tavro.exe" << QStringList{"-ACCESS", "x"} << true;
    QTest::newRow("-access second") << "tavro" << QStringList{"x", "-access"} << false;
    QTest::newRow("-accessible") << "tavro" << QStringList{"-accessible"} << false;
}

void TestClassSetupRules::databaseMode()
{
    QFETCH(QString, exe);
    QFETCH(QStringList, args);
    QFETCH(bool, local);
    QCOMPARE(DatabaseMode::isLocalFile(exe, args), local);
}

void TestClassSetupRules::entryYear_data()
{
    QTest::addColumn<QString>("grade");
    QTest::addColumn<QDate>("startup");
    QTest::addColumn<int>("year");
    const QDate oct2014(2014, 10, 15), mar2015(2015, 3, 15);
    QTest::newRow("高一 Oct 2014") << "高一" << oct2014 << 2014;
    QTest::newRow("小六 Oct 2014") << "小六" << oct2014 << 2008;
    QTest::newRow("高一 Mar 2015") << "高一" << mar2015 << 2014;
    QTest::newRow("初三 Mar 2015") << "初三" << mar2015 << 2011;
    QTest::newRow("小四 Oct 2014") << "小四" << oct2014 << 2010;
    QTest::newRow("小五 Mar 2015") << "小五" << mar2015 << 2009;
    QTest::newRow("高二 Sep 2014") << "高二" << QDate(2014, 9, 1) << 2013;
    QTest::newRow("初二 Aug 2015") << "初二" << QDate(2015, 8, 31) << 2013;
    QTest::newRow("小二 Dec 2014") << "小二" << QDate(2014, 12, 31) << 2013;
    QTest::newRow("高一 Oct 2026") << "高一" << QDate(2026, 10, 1) << 2026;
    QTest::newRow("unknown grade") << "大一" << oct2014 << 0;
}

void TestClassSetupRules::entryYear()
{
    QFETCH(QString, grade);
    QFETCH(QDate, startup);
    QFETCH(int, year);
    QCOMPARE(EntryYear::forGrade(grade, startup), year);
}

void TestClassSetupRules::newestListedYear()
{
    QCOMPARE(EntryYear::newestListed(QDate(2014, 10, 15)), 2015);
    QCOMPARE(EntryYear::newestListed(QDate(2015, 3, 15)), 2015);
    QCOMPARE(EntryYear::newestListed(QDate(2026, 12, 7)), 2026);
}

void TestClassSetupRules::newLocalFileOnYes()
{
    TestEnv env;
    QTemporaryDir work;
    env.messages.answerNext(Messages::Answer::Yes);
    auto db = DatabaseConnection::openLocalFile(env.services, work.path());
    QVERIFY(db);
    QCOMPARE(env.messages.shown.size(), 1);
    const QString path = QDir(work.path()).absoluteFilePath(QStringLiteral("tavro.db"));
    QCOMPARE(env.messages.lastText(), QStringLiteral("未找到本地数据库文件 %1。是否在此新建一个空数据库？").arg(path));
    QCOMPARE(env.messages.shown.first().buttons, Messages::Buttons::YesNo);
    QCOMPARE(db->tableNames(), QStringList({QStringLiteral("Init2"), QStringLiteral("Init1")}));
    QCOMPARE(db->query(QStringLiteral("select * from Init2")).columnCount(), 48);
    QCOMPARE(db->query(QStringLiteral("select * from Init1")).columnCount(), 72);
}

void TestClassSetupRules::noLocalFileOnNo()
{
    TestEnv env;
    QTemporaryDir work;
    env.messages.answerNext(Messages::Answer::No);
    QVERIFY(!DatabaseConnection::openLocalFile(env.services, work.path()));
    QVERIFY(!QFile::exists(QDir(work.path()).filePath(QStringLiteral("tavro.db"))));
}

void TestClassSetupRules::existingFileIsOpenedWithoutAsking()
{
    TestEnv env;
    // TestEnv made tavro.db in its folder already.
    auto db = DatabaseConnection::openLocalFile(env.services, env.dir.path());
    QVERIFY(db);
    QVERIFY(env.messages.shown.isEmpty());
    QVERIFY(db->tableNames().contains(QStringLiteral("Init2")));
}

void TestClassSetupRules::foreignFileIsRefusedAndKept()
{
    TestEnv env;
    QTemporaryDir work;
    const QString path = QDir(work.path()).filePath(QStringLiteral("tavro.db"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a database, just a note somebody saved under this name\n");
    f.close();
    QVERIFY(!DatabaseConnection::openLocalFile(env.services, work.path()));
    QVERIFY(env.messages.shown.isEmpty());
    QFile again(path);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), QByteArray("not a database, just a note somebody saved under this name\n"));
}

void TestClassSetupRules::serverWithoutConfigFails()
{
    QTemporaryDir dir;
    QVERIFY(!DatabaseConnection::openServer(dir.filePath(QStringLiteral("config.ini"))));
    QCOMPARE(DatabaseConnection::failureMessage(), QStringLiteral("连接数据库失败，程序即将退出。请联系管理员。"));
}

void TestClassSetupRules::dialogNeedsGradeAndClass()
{
    ScriptedMessages messages;
    ClassChoiceDialog dialog(messages);
    int confirmed = 0;
    dialog.setConfirmedHandler([&](const QString &, const QString &) { ++confirmed; });
    dialog.show();
    auto *grade = dialog.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
    auto *number = dialog.findChild<QComboBox *>(QStringLiteral("ComboBox2"));
    QCOMPARE(grade->count(), 12);
    QCOMPARE(number->count(), 30);
    QCOMPARE(number->itemText(0), QStringLiteral("01"));
    QCOMPARE(number->itemText(29), QStringLiteral("30"));
    QCOMPARE(grade->currentIndex(), -1);

    QTest::keyClick(&dialog, Qt::Key_Return); // Enter presses OK
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("请选择年级或班级。")});
    grade->setCurrentIndex(0);
    dialog.Button1Click();
    number->setCurrentIndex(0);
    grade->setCurrentIndex(-1);
    dialog.Button1Click();
    QCOMPARE(messages.shown.size(), 3);
    QCOMPARE(confirmed, 0);
    QVERIFY(dialog.isVisible());
}

void TestClassSetupRules::dialogConfirmation()
{
    ScriptedMessages messages;
    ClassChoiceDialog dialog(messages);
    QStringList chosen;
    dialog.setConfirmedHandler([&](const QString &g, const QString &c) { chosen << g + c; });
    dialog.findChild<QComboBox *>(QStringLiteral("ComboBox1"))->setCurrentIndex(11);
    dialog.findChild<QComboBox *>(QStringLiteral("ComboBox2"))->setCurrentIndex(29);
    messages.answerNext(Messages::Answer::Cancel);
    dialog.Button1Click();
    QCOMPARE(chosen, QStringList());
    QCOMPARE(dialog.grade(), QStringLiteral("小六"));
    dialog.Button1Click();
    QCOMPARE(chosen, QStringList{QStringLiteral("小六30")});
    const auto &box = messages.shown.at(1);
    QCOMPARE(box.text, QStringLiteral("你选择要录入的是 \"小六 年级 30 班\"，如果没有错误请按确定按钮。"));
    QCOMPARE(box.title, QStringLiteral("选择年级和班级"));
    QCOMPARE(box.icon, Messages::Icon::Information);
    QCOMPARE(box.buttons, Messages::Buttons::OkCancel);
}

void TestClassSetupRules::dialogEscEnds()
{
    ScriptedMessages messages;
    ClassChoiceDialog dialog(messages);
    QSignalSpy ends(&dialog, &ClassChoiceDialog::endRequested);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(ends.size(), 1);
    QVERIFY(!dialog.isVisible());
    QVERIFY(messages.shown.isEmpty());
}

void TestClassSetupRules::dialogByKeyboard()
{
    ScriptedMessages messages;
    ClassChoiceDialog dialog(messages);
    QStringList chosen;
    dialog.setConfirmedHandler([&](const QString &g, const QString &c) { chosen << g + c; });
    QSignalSpy ends(&dialog, &ClassChoiceDialog::endRequested);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.pos(), QPoint(526, 95)); // where the layout places it

    // Down picks the first item of a list, Tab goes on, Enter confirms.
    auto *grade = dialog.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
    auto *number = dialog.findChild<QComboBox *>(QStringLiteral("ComboBox2"));
    QCOMPARE(QApplication::focusWidget(), grade);
    QTest::keyClick(grade, Qt::Key_Down);
    QTest::keyClick(grade, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), number);
    QTest::keyClick(number, Qt::Key_Down);
    messages.answerNext(Messages::Answer::Cancel);
    QTest::keyClick(number, Qt::Key_Return);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("你选择要录入的是 \"高一 年级 01 班\"，如果没有错误请按确定按钮。")});
    QCOMPARE(chosen, QStringList());

    // Enter on a focused 取消 cancels, as the button the focus is on says.
    auto *cancel = dialog.findChild<QPushButton *>(QStringLiteral("Button2"));
    cancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cancel, Qt::Key_Return);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(ends.size(), 1);
    QCOMPARE(chosen, QStringList());
}

QTEST_MAIN(TestClassSetupRules)
#include "tst_class_setup_rules.moc"
