// The records administrator's road through the real windows, by keyboard: a
// roster with a title row imported into a class not made yet, the 待补全 check,
// an imported pupil opened in edit mode, completed and saved, the check again.
// Runs on an X display.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "core/record/record_columns.h"
#include "core/record/record_schema.h"
#include "entry/entry_form.h"
#include "entry/teacher_lock.h"
#include "entry_form_driver.h"
#include "manage/import_dialog.h"
#include "manage/management_window.h"
#include "openpyxl.h"
#include "platform/text_file.h"
#include "ui_entry_form.h"

namespace {

// The columns the teacher completes at the form; the roster has every other one but 班号.
const QStringList kLeftForTheForm = {QStringLiteral("政治面貌"), QStringLiteral("健康状况"), QStringLiteral("邮政编码")};
const QString kCard = QStringLiteral("440606200003151242");

// Runs `step` as soon as a modal window of type W is up (it runs inside that window's own loop).
template<typename W>
void whenModal(std::function<void(W *)> step)
{
    QTimer::singleShot(50, [step] {
        if (auto *window = qobject_cast<W *>(QApplication::activeModalWidget()))
            step(window);
        else
            whenModal<W>(step);
    });
}

void press(QWidget *button)
{
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
}

QString checkText(const TestEnv &env)
{
    QFile file(env.path(QStringLiteral("check.txt")));
    return file.open(QIODevice::ReadOnly) ? TextFile::decodeGb18030(file.readAll()) : QString();
}

} // namespace

class TestSeptemberRoad : public QObject
{
    Q_OBJECT

private slots:
    void rosterImportedCompletedAndChecked();
};

void TestSeptemberRoad::rosterImportedCompletedAndChecked()
{
    if (!Openpyxl::available())
        QSKIP("python3-openpyxl is not installed");
    TestEnv env;
    EntryFormDriver d(env); // 高一01 opened through the class dialog
    Ui::TForm1 *ui = d.ui();
    d.form().setManagementWindowFactory([&](QWidget *parent) -> QDialog * {
        auto *window = new ManagementWindow(d.db(), env.services, parent);
        window->setClassOfThisRun(d.form().classTable(), nullptr, d.startupDate());
        return window;
    });

    // The school's roster: a merged title above the headings, one pupil with
    // everything but three fields, one with a name and ID number only.
    const QStringList columns = RecordColumns::dataColumns();
    const QStringList full = EntryFormDriver::expectedValues();
    QStringList headings, first, second;
    for (int c = 0; c < columns.size(); ++c) {
        if (columns.at(c) == QStringLiteral("班号") || kLeftForTheForm.contains(columns.at(c)))
            continue;
        headings << columns.at(c);
        first << full.at(c);
        second << (columns.at(c) == QStringLiteral("姓名") ? QStringLiteral("李四")
                   : columns.at(c) == QStringLiteral("身份证件号") ? QStringLiteral("44060620090315123X")
                                                                 : QString());
    }
    auto pyList = [](const QStringList &cells) {
        QStringList quoted;
        for (const QString &cell : cells)
            quoted << QStringLiteral("'%1'").arg(cell);
        return QStringLiteral("[%1]").arg(quoted.join(QLatin1Char(',')));
    };
    const QString roster = env.path(QStringLiteral("高一2班花名册.xlsx"));
    Openpyxl::make(roster, QStringLiteral("ws.append(['高一（2）班学生花名册（2026学年）'])\n"
                                          "ws.merge_cells('A1:H1')\n"
                                          "ws.append(%1)\nws.append(%2)\nws.append(%3)\n")
                               .arg(pyList(headings), pyList(first), pyList(second)));

    // 其它功能【教师】 → 管理 → 导入: the path typed, the new class typed, 导入, 是 to make the class.
    bool imported = false;
    bool checkedBefore = false;
    whenModal<ManagementWindow>([&](ManagementWindow *window) {
        const auto close = qScopeGuard([window] { QTest::keyClick(window, Qt::Key_Escape); });
        auto *tabs = window->findChild<QTabWidget *>();
        QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        whenModal<ImportDialog>([&](ImportDialog *dialog) {
            const auto closeDialog = qScopeGuard([dialog] {
                if (dialog->isVisible())
                    dialog->reject();
            });
            auto *file = dialog->findChild<QLineEdit *>(QStringLiteral("edtFile"));
            EntryFormDriver::type(file, roster);
            QTest::keyClick(file, Qt::Key_Return);
            auto *table = dialog->findChild<QComboBox *>();
            table->setFocus(Qt::TabFocusReason);
            QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
            EntryFormDriver::type(table, QStringLiteral("高一02"));
            QTest::keyClick(table, Qt::Key_Return);
            QVERIFY(dialog->plan().has_value());
            QCOMPARE(dialog->plan()->headingRow, 2);
            QString reasons;
            for (const ImportRow &row : dialog->plan()->rows)
                reasons += QString::number(row.sourceRow) + QLatin1Char(' ') + row.reasonText() + QLatin1Char('\n');
            QVERIFY2(dialog->plan()->importCount() == 2, qPrintable(reasons));
            QVERIFY2(dialog->plan()->newTable, qPrintable(table->currentText() + QLatin1Char('/') + dialog->plan()->table));
            press(dialog->findChild<QPushButton *>(QStringLiteral("btnImport"))); // 是: the default answer
            imported = true;
        });
        press(window->findChild<QPushButton *>(QStringLiteral("Button15")));
        QVERIFY(imported);
        // 待补全 over the class tables the list preselects (高一02 now among them).
        press(window->findChild<QPushButton *>(QStringLiteral("btnIncomplete")));
        checkedBefore = true;
    });
    d.form().teacherLock().openChecked(); // the teacher's password is asked elsewhere
    press(ui->SpeedButton1);
    QVERIFY(checkedBefore);
    QVERIFY(env.messages.texts().contains(QStringLiteral("已向 高一02 导入 2 个学生。")));
    const QString before = checkText(env);
    QVERIFY2(before.contains(QStringLiteral("高一02\t1\t张三\t健康状况、政治面貌、邮政编码")), qPrintable(before));
    QVERIFY2(before.contains(QStringLiteral("高一02\t2\t0\t2\t")), qPrintable(before));

    // 换班级 to the imported class, by keyboard in the class dialog: 高一, 02.
    d.changeClass(0, 1);
    QCOMPARE(d.form().classTable(), QStringLiteral("高一02"));
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 2 人，待补全 2 人"));

    // Edit mode, only the incomplete, the imported 张三: every stored value shows.
    d.form().teacherLock().openChecked();
    ui->chEdit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui->chEdit, Qt::Key_Space);
    QVERIFY(ui->chEdit->isChecked());
    ui->cbStud->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui->cbStud, Qt::Key_End); // listed by name: 李四, 张三
    QCOMPARE(ui->edtName->text(), QStringLiteral("张三"));
    QCOMPARE(ui->edtCardNo->text(), kCard);
    QCOMPARE(ui->cbProv2->currentText() + ui->cbCity2->currentText(), QStringLiteral("北京市县"));
    QCOMPARE(ui->cbPolicy->currentIndex(), -1);

    // The three fields by keyboard: a closed list steps, the focus stays until Tab.
    ui->cbPolicy->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(ui->cbPolicy, Qt::Key_Down);
    QCOMPARE(ui->cbPolicy->currentText(), QStringLiteral("03-共青团员"));
    ui->cbHealth->setFocus(Qt::TabFocusReason);
    EntryFormDriver::type(ui->cbHealth, QStringLiteral("20"));
    QCOMPARE(ui->cbHealth->currentText(), QStringLiteral("20-一般或较弱"));
    EntryFormDriver::type(ui->edtZip, QStringLiteral("528300"));
    press(ui->Button2); // 保存
    QCOMPARE(ui->lblCount->text(), QStringLiteral("本班已录入 2 人，待补全 1 人"));

    // Stored as the form would have stored the whole record, 班号 of 高一02 aside.
    QStringList expected = full;
    const int classNo = int(columns.indexOf(QStringLiteral("班号")));
    const QStringList stored = d.storedRow(1);
    expected[classNo] = stored.value(classNo);
    QCOMPARE(stored, expected);
    QCOMPARE(stored.value(classNo), QStringLiteral("2015302")); // the roster's 入学年月 and 高一02

    // The check again, from the management window of the new class.
    bool checkedAfter = false;
    whenModal<ManagementWindow>([&](ManagementWindow *window) {
        const auto close = qScopeGuard([window] { QTest::keyClick(window, Qt::Key_Escape); });
        press(window->findChild<QPushButton *>(QStringLiteral("btnIncomplete")));
        checkedAfter = true;
    });
    d.form().teacherLock().openChecked();
    press(ui->SpeedButton1);
    QVERIFY(checkedAfter);
    const QString after = checkText(env);
    QVERIFY2(!after.contains(QStringLiteral("\t张三\t")), qPrintable(after));
    QVERIFY2(after.contains(QStringLiteral("高一02\t2\t1\t1\t")), qPrintable(after));
}

QTEST_MAIN(TestSeptemberRoad)
#include "tst_september_road.moc"
