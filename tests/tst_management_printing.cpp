// The print tab's buttons and the export button of the management window,
// offscreen over a real database, with the default print template.
// Runs on every database engine.
#include <QtTest>

#include <QComboBox>
#include <QJsonArray>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "core/record/record_columns.h"
#include "manage/management_window.h"
#include "openpyxl.h"
#include "platform/spreadsheet_renderer.h"
#include "xlsx/xlsx_address.h"
#include "print_test_support.h"

namespace {

struct Fixture
{
    Fixture() : window(*env.db, env.services)
    {
        QFile::copy(defaultTemplate(), env.path(QStringLiteral("Template.xlsx")));
        env.createClassTable(QStringLiteral("高一01"));
        env.createClassTable(QStringLiteral("高一02"));
        for (const char *name : {"张三", "李四", "王五"})
            addStudent(env, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QString::fromUtf8(name)}});
        addStudent(env, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("赵六")}});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.tableBox()->setCurrentIndex(window.tableBox()->findText(QStringLiteral("高一01")));
    }
    QPushButton *button(const QString &caption)
    {
        for (QPushButton *b : window.findChildren<QPushButton *>()) {
            if (b->text() == caption)
                return b;
        }
        return nullptr;
    }

    TestEnv env;
    ManagementWindow window;
};

QStringList sheetNames(const QString &path)
{
    QStringList out;
    for (const QJsonValue &v : Openpyxl::read(path).value(QStringLiteral("sheets")).toArray())
        out << v.toString();
    return out;
}

} // namespace

class TestManagementPrinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportTemplateButtonExportsTheSelectedStudents();
    void printButtonsWantASelection();
    void previewAndPrintButtons();
    void exportButtonWritesTheSelectedTables();
};

void TestManagementPrinting::initTestCase()
{
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to check the files");
}

void TestManagementPrinting::exportTemplateButtonExportsTheSelectedStudents()
{
    Fixture f;
    QCOMPARE(f.window.recordList()->count(), 3);
    f.window.recordList()->item(2)->setSelected(false);
    QTest::mouseClick(f.button(QStringLiteral("导出打印模板(多人)")), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("2 条记录导出完毕。\r\n耗时 0s.")});
    QCOMPARE(f.env.desktop.opened.size(), 1);
    QCOMPARE(sheetNames(f.env.desktop.opened.at(0)), QStringList({QStringLiteral("打印模板 (2)"), QStringLiteral("打印模板")}));
}

void TestManagementPrinting::printButtonsWantASelection()
{
    Fixture f;
    f.window.recordList()->clearSelection();
    QTest::mouseClick(f.button(QStringLiteral("打印")), Qt::LeftButton);
    QTest::mouseClick(f.button(QStringLiteral("导出打印模板(多人)")), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList({QStringLiteral("必选先选定记录"), QStringLiteral("必选先选定记录")}));
    QVERIFY(f.env.desktop.printed.isEmpty() && f.env.desktop.opened.isEmpty());
}

void TestManagementPrinting::previewAndPrintButtons()
{
    if (!SpreadsheetRenderer().isAvailable())
        QSKIP("LibreOffice is not installed");
    Fixture f;
    f.window.recordList()->setCurrentRow(1, QItemSelectionModel::NoUpdate);
    const QString focused = f.window.recordList()->item(1)->text().section(QLatin1Char(' '), -1);
    QTest::mouseClick(f.button(QStringLiteral("预览(单个)")), Qt::LeftButton);
    QCOMPARE(f.env.desktop.previewed.size(), 1);
    QVERIFY(f.env.desktop.opened.isEmpty());
    const QString text = pdfText(f.env.desktop.previewedData.at(0));
    if (!text.isNull())
        QVERIFY2(text.contains(focused), qPrintable(focused));
    QVERIFY(f.env.messages.shown.isEmpty());

    f.window.recordList()->selectAll();
    QTest::mouseClick(f.button(QStringLiteral("打印")), Qt::LeftButton);
    QCOMPARE(f.env.desktop.printed.size(), 3);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("3 条记录设置打印完毕。\r\n耗时 0s.")});
}

void TestManagementPrinting::exportButtonWritesTheSelectedTables()
{
    Fixture f;
    f.window.tableList()->clearSelection();
    QTest::mouseClick(f.button(QStringLiteral("导出")), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("请先选择表。")});
    f.env.messages.clear();

    f.window.hide();
    f.window.show(); // the class tables come up selected again
    QTest::mouseClick(f.button(QStringLiteral("导出")), Qt::LeftButton);
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("导出 2 个excel工作表。\r\n耗时 0 s.")});
    QCOMPARE(sheetNames(f.env.desktop.opened.value(0)),
             QStringList({QStringLiteral("高一02"), QStringLiteral("高一01"), QStringLiteral("Sheet1")}));

    f.window.findChild<QRadioButton *>(QStringLiteral("RadioButton1"))->setChecked(true);
    QTest::mouseClick(f.button(QStringLiteral("导出")), Qt::LeftButton);
    QCOMPARE(f.env.desktop.opened.size(), 2);
    const QJsonObject cells = Openpyxl::read(f.env.desktop.opened.at(1)).value(QStringLiteral("sheet")).toObject()
                                  .value(QStringLiteral("高一01")).toObject().value(QStringLiteral("cells")).toObject();
    const QStringList national = RecordColumns::nationalColumns();
    QCOMPARE(cells.value(QStringLiteral("A1")).toString(), national.first());
    QCOMPARE(cells.value(XlsxAddress::cellName(1, int(national.size()))).toString(), national.last());
}

QTEST_MAIN(TestManagementPrinting)
#include "tst_management_printing.moc"
