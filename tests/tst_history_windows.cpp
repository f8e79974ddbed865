// The history in the windows: the entry form's 修改记录 shows the chosen
// pupil's own lines, and the management window's history filters by kind
// and exports what it shows.
// Runs on every database engine.
#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "core/keeping/history_workbook.h"
#include "entry/history_dialog.h"
#include "manage/school_history_dialog.h"
#include "entry_form_driver.h"
#include "openpyxl.h"
#include "ui_entry_form.h"

namespace {

// The texts of one column of the table, top to bottom.
QStringList column(const QTableWidget *table, const QString &heading)
{
    const int c = int(HistoryWorkbook::headings().indexOf(heading));
    QStringList texts;
    for (int r = 0; r < table->rowCount(); ++r)
        texts << table->item(r, c)->text();
    return texts;
}

} // namespace

class TestHistoryWindows : public QObject
{
    Q_OBJECT

private slots:
    void editModeShowsThePupilsChanges();
    void schoolHistoryFiltersAndExports();
};

void TestHistoryWindows::editModeShowsThePupilsChanges()
{
    TestEnv env;
    EntryFormDriver d(env);
    d.fillStudent(QStringLiteral("张三"), QStringLiteral("440606200003151066"));
    d.clickSave();
    d.fillStudent(QStringLiteral("李四"), QStringLiteral("440606200003151082"));
    d.clickSave();
    d.enterEditMode();
    Ui::TForm1 *ui = d.ui();
    QVERIFY(!ui->btnHistory->isEnabled()); // no pupil chosen yet
    const qint64 id = d.db().query(QStringLiteral("select id from 高一01 where 姓名 = '张三'")).text(0, 0).toLongLong();
    d.pickRecord(id);
    EntryFormDriver::retype(ui->edtContact, QStringLiteral("13912345678"));
    d.clickSave();
    d.pickRecord(id); // a save leaves the record

    QStringList kinds;
    QStringList fields;
    QStringList pupils;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<HistoryDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        kinds = column(dialog->table(), QStringLiteral("操作"));
        fields = column(dialog->table(), QStringLiteral("项目"));
        pupils = column(dialog->table(), QStringLiteral("学生"));
        dialog->reject();
    });
    QTest::mouseClick(ui->btnHistory, Qt::LeftButton);
    QCOMPARE(kinds, (QStringList{QStringLiteral("新增"), QStringLiteral("修改")}));
    QCOMPARE(fields, (QStringList{QString(), QStringLiteral("联系电话")}));
    for (const QString &pupil : pupils)
        QCOMPARE(pupil, QStringLiteral("%1 张三").arg(id)); // 李四's line is not his
}

void TestHistoryWindows::schoolHistoryFiltersAndExports()
{
    TestEnv env;
    HistoryEntry added;
    added.kind = QStringLiteral("新增");
    added.classTable = QStringLiteral("高一01");
    added.pupilId = 1;
    added.pupilName = QStringLiteral("张三");
    HistoryEntry merged;
    merged.kind = QStringLiteral("合并");
    merged.classTable = QStringLiteral("合并表");
    History::prepare(*env.db);
    History::write(*env.db, {added, merged, added});

    SchoolHistoryDialog dialog(*env.db, env.services, {QStringLiteral("高一01")});
    dialog.showLines();
    QCOMPARE(dialog.table()->rowCount(), 3);
    dialog.kindBox()->setCurrentText(QStringLiteral("新增"));
    dialog.showLines();
    QCOMPARE(column(dialog.table(), QStringLiteral("操作")), (QStringList{QStringLiteral("新增"), QStringLiteral("新增")}));
    // A range ending before today shows nothing.
    dialog.toBox()->setDate(env.db->currentDateTime().date().addDays(-1));
    dialog.showLines();
    QCOMPARE(dialog.table()->rowCount(), 0);
    QVERIFY(!dialog.exportButton()->isEnabled());

    dialog.toBox()->setDate(env.db->currentDateTime().date());
    dialog.showLines();
    const QString path = dialog.exportLines();
    QCOMPARE(env.desktop.opened, QStringList{path});
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to read the workbook");
    const QJsonObject cells = Openpyxl::read(path)["sheet"].toObject()["修改记录"].toObject()["cells"].toObject();
    QCOMPARE(cells["D2"].toString(), QStringLiteral("新增"));
    QCOMPARE(cells["F3"].toString(), QStringLiteral("1 张三"));
    QVERIFY(!cells.contains(QStringLiteral("A4")));
}

QTEST_MAIN(TestHistoryWindows)
#include "tst_history_windows.moc"
