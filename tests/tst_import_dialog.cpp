// The import of the management tab offscreen over a real database: the
// preview with its counts and reasons, the duplicate choice, the report
// workbook, and that nothing is written before the teacher confirms.
#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "core/region/region_tables.h"
#include "manage/import_dialog.h"
#include "manage/management_window.h"
#include "student_rows.h"
#include "test_env.h"

namespace {

// Two good rows, one with an impossible birth date, one repeating the first's
// ID number, one with the name of a pupil the class already has (imported, noted).
QString writeList(const TestEnv &env)
{
    const QString path = env.path(QStringLiteral("名单.csv"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(QStringLiteral("姓名,性别,出生日期,身份证件号,备注\n"
                           "张三,1-男,20090315,440606200903150018,x\n"
                           "李四,2-女,20100101,440606201001010029,\n"
                           "王五,1-男,20091399,,\n"
                           "张三,1-男,20090315,440606200903150018,\n"
                           "赵六,2-女,,,\n")
                .toUtf8());
    return path;
}

int rowCount(Database &db, const QString &table)
{
    return db.query(QStringLiteral("select count(*) from ") + table).text(0, 0).toInt();
}

struct Fixture
{
    Fixture()
    {
        for (const QString &t : {QStringLiteral("高一01"), QStringLiteral("高一02")})
            env.createClassTable(t);
        insertStudent(*env.db, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("赵六")}});
        regions.LoadRegionTables();
        list = writeList(env);
    }
    TestEnv env;
    RegionTables regions;
    QString list;
};

} // namespace

class TestImportDialog : public QObject
{
    Q_OBJECT

private slots:
    void previewShowsCountsAndReasonsAndCancelWritesNothing();
    void duplicateChoiceAndReport();
    void importFromTheManagementTabRefreshesTheLists();
    void typedPathIntoANewClassAfterAsking();
};

void TestImportDialog::previewShowsCountsAndReasonsAndCancelWritesNothing()
{
    Fixture f;
    ImportDialog dialog(*f.env.db, f.env.services, f.regions, f.env.clock.now(), {"高一01", "高一02"}, "高一02");
    dialog.setFileChooser([&] { return f.list; });
    auto *confirm = dialog.findChild<QPushButton *>(QStringLiteral("btnImport"));
    QVERIFY(!confirm->isEnabled()); // nothing chosen, nothing to confirm
    QCOMPARE(dialog.findChild<QComboBox *>()->currentText(), QStringLiteral("高一02"));
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnChooseFile")), Qt::LeftButton);

    QVERIFY(dialog.plan().has_value());
    QCOMPARE(dialog.plan()->table, QStringLiteral("高一02"));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblCounts"))->text(),
             QStringLiteral("可导入 3 行，有问题 1 行，重复 1 行。"));
    QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("lblHeadings"))->text().contains(QStringLiteral("备注")));
    // The rows left out or imported with a note, in file order, with their sheet row numbers and reasons.
    auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("tblLeftOut"));
    QCOMPARE(table->rowCount(), 3);
    const QStringList rows = {"4", "5", "6"}, names = {"王五", "张三", "赵六"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(table->item(i, 0)->text(), rows.at(i));
        QCOMPARE(table->item(i, 1)->text(), names.at(i));
        QVERIFY(!table->item(i, 2)->text().isEmpty());
    }
    QVERIFY(table->item(2, 2)->text().startsWith(QStringLiteral("同名")));
    QVERIFY(confirm->isEnabled());
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnCancel")), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.importedRows(), 0);
    QCOMPARE(rowCount(*f.env.db, QStringLiteral("高一02")), 1);
}

void TestImportDialog::duplicateChoiceAndReport()
{
    Fixture f;
    ImportDialog dialog(*f.env.db, f.env.services, f.regions, f.env.clock.now(), {"高一01", "高一02"}, "高一02");
    dialog.setFileChooser([&] { return f.list; });
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnChooseFile")), Qt::LeftButton);
    // Adding duplicates checks the file again: they now count among the rows imported.
    dialog.findChildren<QRadioButton *>().at(1)->click();
    QCOMPARE(dialog.plan()->duplicates, ImportDuplicates::Add);
    QCOMPARE(dialog.plan()->importCount(), 4);
    QCOMPARE(dialog.plan()->leftOut().size(), 1);

    // The report: written where chosen; an existing one only replaced on the teacher's word.
    const QString report = f.env.path(QStringLiteral("问题.xlsx"));
    dialog.setReportPathChooser([&] { return report; });
    auto *save = dialog.findChild<QPushButton *>(QStringLiteral("btnSaveReport"));
    QTest::mouseClick(save, Qt::LeftButton);
    QVERIFY(QFileInfo(report).size() > 0);
    const QByteArray first = [&] {
        QFile file(report);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    f.env.messages.clear();
    f.env.messages.answerNext(Messages::Answer::No);
    dialog.findChildren<QRadioButton *>().at(0)->click(); // two rows left out now
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(f.env.messages.shown.size(), 1); // the question, and nothing written
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first);
    QCOMPARE(rowCount(*f.env.db, QStringLiteral("高一02")), 1);
}

void TestImportDialog::importFromTheManagementTabRefreshesTheLists()
{
    Fixture f;
    ManagementWindow window(*f.env.db, f.env.services);
    window.setClassOfThisRun(QStringLiteral("高一01"), &f.regions, f.env.clock.now());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.tableBox()->setCurrentText(QStringLiteral("高一01"));
    QCOMPARE(window.recordList()->count(), 0);

    bool driven = false;
    QTimer::singleShot(0, &window, [&] {
        auto *dialog = window.findChild<ImportDialog *>();
        if (!dialog)
            return;
        // However this goes, the dialog closes and the test goes on.
        const auto close = qScopeGuard([dialog] { dialog->reject(); });
        QCOMPARE(dialog->findChild<QComboBox *>()->currentText(), QStringLiteral("高一01"));
        dialog->setFileChooser([&] { return f.list; });
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnChooseFile")), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnImport")), Qt::LeftButton);
        driven = true;
    });
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Button15")), Qt::LeftButton);
    QVERIFY(driven);
    // 高一01 had no 赵六: only the repeated 张三 and the bad date stay out.
    QCOMPARE(rowCount(*f.env.db, QStringLiteral("高一01")), 3);
    QCOMPARE(f.env.messages.texts().value(0), QStringLiteral("已向 高一01 导入 3 个学生。"));
    QCOMPARE(window.recordList()->count(), 3);
}

void TestImportDialog::typedPathIntoANewClassAfterAsking()
{
    Fixture f;
    ImportDialog dialog(*f.env.db, f.env.services, f.regions, f.env.clock.now(), {"高一01", "高一02"}, "高一01");
    auto *file = dialog.findChild<QLineEdit *>(QStringLiteral("edtFile"));
    file->setText(QDir::toNativeSeparators(f.list)); // as pasted
    emit file->editingFinished();
    QVERIFY(dialog.plan().has_value());
    QCOMPARE(dialog.plan()->importCount(), 3);

    // A class not opened yet is written into the class box and made only after 是.
    auto *table = dialog.findChild<QComboBox *>();
    table->setEditText(QStringLiteral("高二07"));
    emit table->lineEdit()->editingFinished();
    QVERIFY(dialog.plan().has_value() && dialog.plan()->newTable);
    auto *confirm = dialog.findChild<QPushButton *>(QStringLiteral("btnImport"));
    f.env.messages.answerNext(Messages::Answer::No);
    QTest::mouseClick(confirm, Qt::LeftButton);
    QVERIFY(f.env.messages.lastText().contains(QStringLiteral("班级表 高二07 还不存在，是否新建？")));
    QVERIFY(!f.env.db->tableNames().contains(QStringLiteral("高二07")));
    f.env.messages.answerNext(Messages::Answer::Yes);
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(rowCount(*f.env.db, QStringLiteral("高二07")), 3);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestImportDialog)
#include "tst_import_dialog.moc"
