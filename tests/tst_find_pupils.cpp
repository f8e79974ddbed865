// Finding a pupil: by part of a name, an ID number as typed or the internal
// number; on edit mode's find line and across every class in the management window.
// Runs on every database engine.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTabWidget>

#include "admin_command_run.h"
#include "core/keeping/pupil_search.h"
#include "core/record/id_number_mask.h"
#include "entry/entry_form.h"
#include "entry/teacher_lock.h"
#include "entry_form_driver.h"
#include "manage/find_pupil_tab.h"
#include "manage/management_window.h"
#include "student_rows.h"
#include "ui_entry_form.h"

namespace {

const QString kLiCard = QStringLiteral("44060620090315123X");

void seed(TestEnv &env)
{
    env.createClassTable(QStringLiteral("高一02"));
    env.createClassTable(QStringLiteral("合并表"));
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("李娜")}, {QStringLiteral("身份证件号"), kLiCard}});
    insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("李 四")}});
    insertStudent(*env.db, QStringLiteral("合并表"), {{QStringLiteral("姓名"), QStringLiteral("李娜")}});
}

QStringList found(Database &db, const QString &typed)
{
    QStringList out;
    for (const PupilSearch::Pupil &p : PupilSearch::find(db, PupilSearch::classTables(db), typed))
        out << QStringLiteral("%1 %2 %3").arg(p.table).arg(p.id).arg(p.name);
    return out;
}

} // namespace

class TestFindPupils : public QObject
{
    Q_OBJECT

private slots:
    void findsByNameIdNumberOrNumber();
    void editModeFindLinePicksThePupil();
    void managementWindowOpensAPupilOfThisClass();
    void commandLineFinds();
};

void TestFindPupils::findsByNameIdNumberOrNumber()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    seed(env);
    // Every class table, not the merged copy; blanks in a stored name do not hide it.
    QCOMPARE(found(*env.db, QStringLiteral("李")), QStringList({QStringLiteral("高一01 1 李娜"), QStringLiteral("高一02 1 李 四")}));
    QCOMPARE(found(*env.db, QStringLiteral("李四")), QStringList({QStringLiteral("高一02 1 李 四")}));
    // Part of an ID number typed full-width with a small x; too short a part is only an internal number.
    QCOMPARE(found(*env.db, QStringLiteral("０３１５１２３x")), QStringList({QStringLiteral("高一01 1 李娜")}));
    QCOMPARE(found(*env.db, QStringLiteral("2")), QStringList({QStringLiteral("高一01 2 张三")}));
    QCOMPARE(found(*env.db, QStringLiteral("  ")), QStringList());

    // Lists on screen show an ID number masked: first 6 and last 4 (a short one its last 4).
    QCOMPARE(IdNumberMask::masked(kLiCard), QStringLiteral("440606********123X"));
    QCOMPARE(IdNumberMask::masked(QStringLiteral(" H1234567 ")), QStringLiteral("****4567"));
    QCOMPARE(IdNumberMask::masked(QStringLiteral("123")), QStringLiteral("***"));
}

void TestFindPupils::editModeFindLinePicksThePupil()
{
    TestEnv env;
    EntryFormDriver d(env);
    seed(env);
    Ui::TForm1 *ui = d.ui();
    d.enterEditMode();
    auto *find = d.form().findChild<QLineEdit *>(QStringLiteral("edtFind"));
    QVERIFY(find && find->isVisible() && find->isEnabled());

    EntryFormDriver::type(find, QStringLiteral("0315123"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(ui->edtName->text(), QStringLiteral("李娜"));
    QCOMPARE(ui->cbStud->currentData().toLongLong(), 1);
    QVERIFY(ui->btnHistory->isEnabled());

    // Leaving a changed record asks first; 取消 keeps it shown and chosen.
    EntryFormDriver::type(ui->edtName, QStringLiteral("娜"));
    env.messages.answerNext(Messages::Answer::Cancel);
    EntryFormDriver::type(find, QStringLiteral("张"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(env.messages.lastText(), QStringLiteral("有未保存的修改，是否保存？"));
    QCOMPARE(ui->edtName->text(), QStringLiteral("李娜娜"));
    QCOMPARE(ui->cbStud->currentData().toLongLong(), 1);
}

void TestFindPupils::managementWindowOpensAPupilOfThisClass()
{
    TestEnv env;
    EntryFormDriver d(env);
    seed(env);
    Ui::TForm1 *ui = d.ui();
    d.form().setManagementWindowFactory([&](QWidget *parent) -> QDialog * {
        auto *window = new ManagementWindow(d.db(), env.services, parent);
        window->setClassOfThisRun(d.form().classTable(), nullptr, d.startupDate());
        return window;
    });
    QTimer::singleShot(0, [&] {
        auto *window = qobject_cast<ManagementWindow *>(QApplication::activeModalWidget());
        QVERIFY(window);
        const auto close = qScopeGuard([window] { window->reject(); });
        FindPupilTab *tab = window->findTab();
        window->findChild<QTabWidget *>()->setCurrentWidget(tab);
        EntryFormDriver::type(tab->findLine(), QStringLiteral("李"));
        QTest::keyClick(tab->findLine(), Qt::Key_Return);
        QCOMPARE(tab->results()->rowCount(), 2);
        QCOMPARE(tab->results()->item(0, 3)->text(), QStringLiteral("440606********123X"));
        tab->results()->selectRow(1); // 高一02: another class, shown read-only
        QTimer::singleShot(0, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        tab->openButton()->click();
        QVERIFY(window->isVisible());
        tab->results()->selectRow(0); // 高一01: opened in the entry form
        tab->openButton()->click();
    });
    d.form().teacherLock().openChecked(); // the teacher's password is asked elsewhere
    d.form().SpeedButton1Click();
    QVERIFY(ui->chEdit->isChecked());
    QCOMPARE(ui->edtName->text(), QStringLiteral("李娜"));
    QCOMPARE(ui->edtCardNo->text(), kLiCard);
}

void TestFindPupils::commandLineFinds()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    seed(env);
    const QString db = env.db->filePath();
    const AdminCommandRun found = runAdmin({QStringLiteral("find"), QStringLiteral("０３１５１２３x"), QStringLiteral("--db"), db});
    QCOMPARE(found.status, 0);
    // A terminal is a screen too: the number shows masked.
    QCOMPARE(found.out, QStringLiteral("高一01\t1\t李娜\t440606********123X\n找到 1 个学生。\n"));
    const AdminCommandRun none = runAdmin({QStringLiteral("find"), QStringLiteral("王"), QStringLiteral("--db"), db});
    QCOMPARE(none.out, QStringLiteral("没有找到“王”。\n"));
    QCOMPARE(runAdmin({QStringLiteral("find"), QStringLiteral("--db"), db}).status, 2);
}

QTEST_MAIN(TestFindPupils)
#include "tst_find_pupils.moc"
