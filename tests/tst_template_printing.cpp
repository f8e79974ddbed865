// The print tab: the template's cell map, preview, printing one by one and the
// multi-person export. Written workbooks are read back by openpyxl; rendering
// uses LibreOffice where it is installed.
#include <QtTest>

#include <QJsonArray>

#include "core/operations/fill_template_sheet.h"
#include "core/operations/template_printing.h"
#include "manage/presented_operations.h"
#include "openpyxl.h"
#include "platform/app_error.h"
#include "platform/guard.h"
#include "platform/spreadsheet_renderer.h"
#include "xlsx/xlsx_workbook.h"
#include "print_test_support.h"

namespace {

const QString Table = QStringLiteral("高一01");

// The cell map as the school's template expects it: template row, then the
// column shown in column 3 (C) and in column 6 (F).
const QList<std::tuple<int, const char *, const char *>> ExpectedMap = {
    {5, "姓名", "身份证件类型"}, {6, "性别", "身份证件号"}, {7, "出生日期", "港澳台侨外"},
    {8, "出生地行政区划代码2", "政治面貌"}, {9, "籍贯", "健康状况"}, {10, "民族", nullptr},
    {11, "国籍_地区", nullptr}, {13, nullptr, "户口所在地行政区划2"}, {14, nullptr, "户口性质"},
    {17, nullptr, "入学年月"}, {18, nullptr, "入学方式"}, {19, nullptr, "就读方式"},
    {22, "现住址", "邮政编码"}, {23, "通信地址", nullptr}, {24, "家庭地址", nullptr}, {25, "联系电话", nullptr},
    {27, "是否独生子女", nullptr}, {28, "是否受过学前教育", nullptr}, {29, "是否留守儿童", nullptr},
    {30, "是否进城务工人员随迁子女", "是否需要申请资助"}, {31, "是否孤儿", "是否享受一补"},
    {32, "是否烈士或优抚子女", nullptr}, {37, "成员1姓名", "成员1户口所在地行政区划2"},
    {38, "成员1关系", "成员1联系电话"}, {39, nullptr, "成员1是否监护人"}, {42, "成员1现住址", nullptr},
    {44, "成员2姓名", "成员2户口所在地行政区划2"}, {45, "成员2关系", "成员2联系电话"},
    {46, nullptr, "成员2是否监护人"}, {49, "成员2现住址", nullptr},
};

QJsonObject sheetOf(const QJsonObject &dump, const QString &name)
{
    return dump.value(QStringLiteral("sheet")).toObject().value(name).toObject();
}

QJsonObject cellsOf(const QJsonObject &sheet)
{
    return sheet.value(QStringLiteral("cells")).toObject();
}

QStringList names(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &x : v.toArray())
        out << x.toString();
    return out;
}

// The cells of the block starting at row `offset`, moved to template rows.
QJsonObject block(const QJsonObject &cells, int offset)
{
    QJsonObject out;
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        int row = 0, column = 0;
        XlsxAddress::parseCell(it.key(), row, column);
        if (row >= offset && row < offset + 50)
            out.insert(XlsxAddress::cellName(row - offset + 1, column), it.value());
    }
    return out;
}

} // namespace

class TestTemplatePrinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cellMapOnAKnownRow();
    void nullEmptiesTheCellAndClassCodeSplits();
    void previewShowsTheFocusedStudent();
    void previewDoesNothingWithoutARecord();
    void missingTemplateOrSpreadsheetProgram();
    void printEachInNameOrder();
    void printRefusedByTheSystemIsReported();
    void otherSheetsOfTheTemplateAreNotPrinted();
    void printWithNothingToPrint();
    void exportThreeStudentsIntoBlocks();
    void exportRoundsRowHeightsHalfToEven();
    void exportFailuresAreShownAndWriteNothing();
    void elapsedTimeLeavesOutTheQuestionsAndTheViewer();
    void stoppingKeepsWhatWasDone();
    void longAddressWrapsAtAReadableSize();
    void damagedTemplateIsReported();
    void oldXlsTemplateIsConvertedOnce();
    void exportPrintsOneStudentPerPage();

private:
    struct Fixture
    {
        TestEnv env;
        SequenceClock clock{{QDateTime(QDate(2015, 10, 15), QTime(10, 30)),
                             QDateTime(QDate(2015, 10, 15), QTime(10, 30, 5, 900))}};
        Services services{env.messages, clock, env.desktop, env.dir.path(), QStringLiteral("tavro")};
        SpreadsheetRenderer renderer;
        PresentedTemplatePrinting printing{*env.db, services, renderer};
        QString templatePath = env.path(QStringLiteral("Template.xlsx"));

        explicit Fixture(const QString &templateFile = defaultTemplate(), const SpreadsheetRenderer &r = SpreadsheetRenderer())
            : renderer(r)
        {
            env.createClassTable(Table);
            if (!templateFile.isEmpty())
                QFile::copy(templateFile, templatePath);
        }
    };
    static void needLibreOffice()
    {
        if (!SpreadsheetRenderer().isAvailable())
            QSKIP("LibreOffice is not installed");
    }
    QTemporaryDir m_dir;
};

void TestTemplatePrinting::initTestCase()
{
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to check the files");
    QVERIFY2(QFileInfo::exists(defaultTemplate()), qPrintable(defaultTemplate()));
}

void TestTemplatePrinting::cellMapOnAKnownRow()
{
    Fixture f;
    addStudent(f.env, Table, {{QStringLiteral("班号"), QStringLiteral("2015301")}});
    const QueryResult row = f.env.db->query(QStringLiteral("select * from ") + Table);
    XlsxWorkbook book = XlsxWorkbook::open(f.templatePath);
    FillTemplateSheet(row, 0, book.sheet(QStringLiteral("打印模板")), 1);
    const QString out = f.env.path(QStringLiteral("filled.xlsx"));
    book.saveAs(out);

    const QJsonObject before = cellsOf(sheetOf(Openpyxl::read(f.templatePath), QStringLiteral("打印模板")));
    QJsonObject after = cellsOf(sheetOf(Openpyxl::read(out), QStringLiteral("打印模板")));
    int written = 0;
    for (const auto &[templateRow, col3, col6] : ExpectedMap) {
        for (const auto &[letter, field] : {std::pair{'C', col3}, std::pair{'F', col6}}) {
            if (!field)
                continue;
            const QString ref = QLatin1Char(letter) + QString::number(templateRow);
            QCOMPARE(after.take(ref).toString(), QString::fromUtf8(field) + QStringLiteral("值"));
            ++written;
        }
    }
    QCOMPARE(after.take(QStringLiteral("C19")).toString(), QStringLiteral("2015级"));
    QCOMPARE(after.take(QStringLiteral("C20")).toString(), QStringLiteral("01"));
    QCOMPARE(written + 2, 44);
    // Everything else is the template as it was.
    QCOMPARE(after, before);
}

void TestTemplatePrinting::nullEmptiesTheCellAndClassCodeSplits()
{
    Fixture f;
    addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("甲")}, {QStringLiteral("民族"), QStringLiteral("01-汉族")}});
    addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("乙")}, {QStringLiteral("民族"), QString()},
                              {QStringLiteral("班号"), QStringLiteral("2014212")}});
    const QueryResult rows = f.env.db->query(QStringLiteral("select * from ") + Table + QStringLiteral(" order by id"));
    XlsxWorkbook book = XlsxWorkbook::open(f.templatePath);
    XlsxSheet &sheet = book.sheet(QStringLiteral("打印模板"));
    FillTemplateSheet(rows, 0, sheet, 1);
    QCOMPARE(sheet.cellText(10, 3), QStringLiteral("01-汉族"));
    FillTemplateSheet(rows, 1, sheet, 1);
    QCOMPARE(sheet.cellText(5, 3), QStringLiteral("乙"));
    QCOMPARE(sheet.cellText(10, 3), QString());
    QCOMPARE(sheet.cellText(19, 3), QStringLiteral("2014级"));
    QCOMPARE(sheet.cellText(20, 3), QStringLiteral("12"));
    FillTemplateSheet(rows, 1, sheet, 51);
    QCOMPARE(sheet.cellText(55, 3), QStringLiteral("乙"));
    QCOMPARE(sheet.cellText(99, 3), QStringLiteral("成员2现住址值"));

    const QueryResult narrow = f.env.db->query(QStringLiteral("select id, 姓名 from ") + Table);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, FillTemplateSheet(narrow, 0, sheet, 1));
}

void TestTemplatePrinting::previewShowsTheFocusedStudent()
{
    needLibreOffice();
    Fixture f;
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    const qint64 b = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    const QByteArray templateBytes = readFile(f.templatePath);
    const QStringList items{recordItem(a, QStringLiteral("张三")), recordItem(b, QStringLiteral("李四"))};

    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, items, 1); }));
    QCOMPARE(f.env.desktop.previewed.size(), 1);
    QVERIFY(f.env.desktop.previewedData.at(0).startsWith("%PDF"));
    const QString text = pdfText(f.env.desktop.previewedData.at(0));
    if (!text.isNull())
        QVERIFY2(text.contains(QStringLiteral("李四")) && !text.contains(QStringLiteral("张三")), qPrintable(text));
    // Nothing follows the preview, and nothing of it is left behind.
    QVERIFY(f.env.desktop.opened.isEmpty());
    QVERIFY(f.env.messages.shown.isEmpty());
    QVERIFY(!QFileInfo::exists(f.env.desktop.previewed.at(0)));
    QVERIFY(!QDir(f.env.path(QStringLiteral("导出"))).exists());

    // Without a focused item the first one is shown.
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, items, -1); }));
    const QString first = pdfText(f.env.desktop.previewedData.value(1));
    if (!first.isNull())
        QVERIFY2(first.contains(QStringLiteral("张三")) && !first.contains(QStringLiteral("李四")), qPrintable(first));
    QCOMPARE(readFile(f.templatePath), templateBytes);
}

void TestTemplatePrinting::previewDoesNothingWithoutARecord()
{
    Fixture f;
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    for (const QStringList &items : {QStringList(), QStringList{QStringLiteral(" 张三")}, QStringList{QStringLiteral("张三")}})
        QVERIFY(runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, items, 0); }));
    if (SpreadsheetRenderer().isAvailable()) {
        // A record deleted meanwhile shows nothing either.
        f.env.db->execute(QStringLiteral("delete from ") + Table);
        QVERIFY(runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, {recordItem(a, QStringLiteral("张三"))}, 0); }));
    }
    QVERIFY(f.env.desktop.previewed.isEmpty());
    QVERIFY(f.env.desktop.opened.isEmpty());
    QVERIFY(f.env.messages.shown.isEmpty());
}

void TestTemplatePrinting::missingTemplateOrSpreadsheetProgram()
{
    const QString excelMissing =
        QStringLiteral("打开Excel时错误。报表功能需要安装Microsoft Excel，如果已安装Excel则可能需要重新安装。");
    {
        Fixture f{QString()};
        const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
        const QStringList items{recordItem(a, QStringLiteral("张三"))};
        QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, items, 0); }));
        QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.printEach(Table, items); }));
        QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.exportStudents(Table, items); }));
        const QString expected = QStringLiteral("文件不存在：") + QFileInfo(f.templatePath).absoluteFilePath() + QLatin1Char('.');
        QCOMPARE(f.env.messages.texts(), QStringList({expected, expected, expected}));
        QVERIFY(f.env.desktop.opened.isEmpty() && f.env.desktop.printed.isEmpty());
        QVERIFY(!QDir(f.env.path(QStringLiteral("导出"))).exists());
    }
    {
        Fixture f(defaultTemplate(), SpreadsheetRenderer(QString()));
        const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
        const QStringList items{recordItem(a, QStringLiteral("张三"))};
        QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, items, 0); }));
        QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.printEach(Table, items); }));
        QCOMPARE(f.env.messages.texts(), QStringList({excelMissing + QLatin1Char('.'), excelMissing + QLatin1Char('.')}));
        QVERIFY(f.env.desktop.previewed.isEmpty() && f.env.desktop.printed.isEmpty());
    }
    {
        Fixture f;
        f.env.desktop.printerInstalled = false;
        const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
        QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.printEach(Table, {recordItem(a, QStringLiteral("张三"))}); }));
        QCOMPARE(f.env.messages.texts(), QStringList{excelMissing + QLatin1Char('.')});
        QVERIFY(f.env.desktop.printed.isEmpty());
    }
}

void TestTemplatePrinting::printEachInNameOrder()
{
    needLibreOffice();
    Fixture f;
    const qint64 zhang = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    const qint64 li = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    const qint64 wang = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("王五")}});
    addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("不选")}});
    const QByteArray templateBytes = readFile(f.templatePath);
    int broughtToFront = 0;
    f.printing.setBringToFront([&] { ++broughtToFront; });

    QVERIFY(runGuarded(f.env.messages, [&] {
        f.printing.printEach(Table, {recordItem(zhang, QStringLiteral("张三")), recordItem(wang, QStringLiteral("王五")),
                                     recordItem(li, QStringLiteral("李四"))});
    }));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("3 条记录设置打印完毕。\r\n耗时 5s.")});
    QCOMPARE(broughtToFront, 1);
    QCOMPARE(f.env.desktop.printed.size(), 3);
    const QStringList order{QStringLiteral("李四"), QStringLiteral("王五"), QStringLiteral("张三")};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(f.env.desktop.printedData.at(i).startsWith("%PDF"));
        QCOMPARE(pdfPageCount(f.env.desktop.printedData.at(i)), 1);
        const QString text = pdfText(f.env.desktop.printedData.at(i));
        if (text.isNull())
            continue;
        // Each job holds its own student only: the template as it was at that moment.
        for (int k = 0; k < 3; ++k)
            QCOMPARE(text.contains(order[k]), k == i);
    }
    QCOMPARE(readFile(f.templatePath), templateBytes);
    QVERIFY(f.env.desktop.opened.isEmpty());
}

void TestTemplatePrinting::printRefusedByTheSystemIsReported()
{
    needLibreOffice();
    Fixture f;
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    const qint64 b = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    f.env.desktop.printError = QStringLiteral("lp: Error - no default destination available");
    QVERIFY(!runGuarded(f.env.messages, [&] {
        f.printing.printEach(Table, {recordItem(a, QStringLiteral("张三")), recordItem(b, QStringLiteral("李四"))});
    }));
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.at(0).kind, ScriptedMessages::Kind::Error);
    const QStringList lines = f.env.messages.lastText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).contains(QStringLiteral("没有送出任何打印")), qPrintable(lines.at(0)));
    QCOMPARE(lines.at(1), QStringLiteral("lp: Error - no default destination available."));
    QCOMPARE(f.env.desktop.printed.size(), 1); // nothing more is sent after a refusal

    // No printer set up at all: said in so many words, with how many were printed.
    f.env.messages.clear();
    f.env.desktop.printError = f.env.desktop.noPrinterText = QStringLiteral("lp: Error - No default destination.");
    QVERIFY(!runGuarded(f.env.messages, [&] {
        f.printing.printEach(Table, {recordItem(a, QStringLiteral("张三")), recordItem(b, QStringLiteral("李四"))});
    }));
    const QStringList noPrinter = f.env.messages.lastText().split(QLatin1Char('\n'));
    QCOMPARE(noPrinter.size(), 2);
    QVERIFY2(noPrinter.at(0).startsWith(QStringLiteral("没有设置打印机，已打印 0 名学生，其余 2 名没有打印。")), qPrintable(noPrinter.at(0)));
    QCOMPARE(noPrinter.at(1), QStringLiteral("lp: Error - No default destination."));
}

void TestTemplatePrinting::otherSheetsOfTheTemplateAreNotPrinted()
{
    needLibreOffice();
    QTemporaryDir dir;
    const QString tpl = dir.filePath(QStringLiteral("two-sheets.xlsx"));
    Openpyxl::run(QStringLiteral("import sys, openpyxl\nwb = openpyxl.load_workbook(sys.argv[1])\n"
                                 "wb.create_sheet('说明')['A1'] = '填表说明'\nwb.save(sys.argv[2])\n"),
                  {defaultTemplate(), tpl});
    Fixture f(tpl);
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    const QStringList items{recordItem(a, QStringLiteral("张三"))};
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, items, 0); }));
    f.clock.restart();
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.printEach(Table, items); }));
    QCOMPARE(pdfPageCount(f.env.desktop.previewedData.value(0)), 1);
    QCOMPARE(pdfPageCount(f.env.desktop.printedData.value(0)), 1);
}

void TestTemplatePrinting::printWithNothingToPrint()
{
    Fixture f;
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.printEach(Table, {}); }));
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.exportStudents(Table, {}); }));
    QCOMPARE(f.env.messages.texts(), QStringList({QStringLiteral("必选先选定记录"), QStringLiteral("必选先选定记录")}));
    f.env.messages.clear();

    // Selected items without an id: nothing at all.
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.printEach(Table, {QStringLiteral(" 张三")}); }));
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.exportStudents(Table, {QStringLiteral("张三")}); }));
    QVERIFY(f.env.messages.shown.isEmpty());

    // A deleted student: nobody found, and the closing message reports 0 records.
    f.env.db->execute(QStringLiteral("delete from ") + Table);
    f.clock.restart();
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.printEach(Table, {recordItem(a, QStringLiteral("张三"))}); }));
    QCOMPARE(f.env.messages.texts(), QStringList({QStringLiteral("0 条记录设置打印完毕。\r\n耗时 5s.")}));
    // A table that is gone is a failure, shown as one, never the closing message.
    f.env.messages.clear();
    f.clock.restart();
    QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.printEach(QStringLiteral("没有这个表"), {recordItem(a, QStringLiteral("张三"))}); }));
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.at(0).kind, ScriptedMessages::Kind::Error);
    QVERIFY2(f.env.messages.lastText().startsWith(QStringLiteral("打印失败，没有送出任何打印：读取表“没有这个表”时出错。")),
             qPrintable(f.env.messages.lastText()));
    QVERIFY(f.env.desktop.printed.isEmpty());
}

void TestTemplatePrinting::exportThreeStudentsIntoBlocks()
{
    Fixture f;
    const qint64 zhang = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    const qint64 li = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    const qint64 wang = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("王五")}, {QStringLiteral("民族"), QString()}});
    const QByteArray templateBytes = readFile(f.templatePath);
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] {
        output = f.printing.exportStudents(Table, {recordItem(zhang, QStringLiteral("张三")), recordItem(li, QStringLiteral("李四")),
                                                   recordItem(wang, QStringLiteral("王五"))});
    }));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("3 条记录导出完毕。\r\n耗时 5s.")});
    QCOMPARE(f.env.desktop.opened, QStringList{output});
    QCOMPARE(QFileInfo(output).absolutePath(), QDir(f.env.dir.path()).filePath(QStringLiteral("导出")));
    QCOMPARE(readFile(f.templatePath), templateBytes);

    const QJsonObject dump = Openpyxl::read(output);
    QCOMPARE(names(dump.value(QStringLiteral("sheets"))), QStringList({QStringLiteral("打印模板 (2)"), QStringLiteral("打印模板")}));
    QCOMPARE(dump.value(QStringLiteral("active")).toString(), QStringLiteral("打印模板 (2)"));
    const QJsonObject tpl = sheetOf(Openpyxl::read(f.templatePath), QStringLiteral("打印模板"));
    const QJsonObject exp = sheetOf(dump, QStringLiteral("打印模板 (2)"));
    const QJsonObject tplCells = cellsOf(tpl);
    const QJsonObject tplStyles = tpl.value(QStringLiteral("styles")).toObject();
    const QStringList order{QStringLiteral("李四"), QStringLiteral("王五"), QStringLiteral("张三")};
    for (int k = 0; k < 3; ++k) {
        const int offset = 1 + 50 * k;
        QJsonObject cells = block(cellsOf(exp), offset);
        QCOMPARE(cells.value(QStringLiteral("C5")).toString(), order[k]);
        QCOMPARE(cells.value(QStringLiteral("C19")).toString(), QStringLiteral("班号值级"));
        QCOMPARE(cells.contains(QStringLiteral("C10")), order[k] != QStringLiteral("王五"));
        // The labels come from the template block; styles too.
        for (auto it = tplCells.begin(); it != tplCells.end(); ++it) {
            if (!it.key().startsWith(QLatin1Char('C')) && !it.key().startsWith(QLatin1Char('F')))
                QCOMPARE(cells.value(it.key()), it.value());
        }
        const QJsonObject styles = block(exp.value(QStringLiteral("styles")).toObject(), offset);
        for (const char *ref : {"A1", "A4", "A5", "C5", "F22", "C23", "A50"})
            QCOMPARE(styles.value(QLatin1String(ref)), tplStyles.value(QLatin1String(ref)));
        // The merged areas of the template, moved down by the block's offset.
        for (const QString &m : names(tpl.value(QStringLiteral("merged")))) {
            const CellRange r = XlsxAddress::parseRange(m);
            const QString moved = XlsxAddress::format(CellRange{r.top + offset - 1, r.left, r.bottom + offset - 1, r.right});
            QVERIFY2(names(exp.value(QStringLiteral("merged"))).contains(moved), qPrintable(moved));
        }
        const QJsonObject heights = exp.value(QStringLiteral("heights")).toObject();
        for (int row = 1; row <= 50; ++row) {
            QCOMPARE(heights.value(QString::number(offset + row - 1)).toDouble(),
                     tpl.value(QStringLiteral("heights")).toObject().value(QString::number(row)).toDouble());
        }
    }
    QCOMPARE(names(exp.value(QStringLiteral("merged"))).size(), 3 * names(tpl.value(QStringLiteral("merged"))).size());
    QCOMPARE(exp.value(QStringLiteral("margins")), tpl.value(QStringLiteral("margins")));
    QCOMPARE(exp.value(QStringLiteral("rightFooter")).toString(), QStringLiteral("页码 &P"));
    QCOMPARE(exp.value(QStringLiteral("printArea")), QJsonValue(QJsonValue::Null));
    // The template sheet stays in the output, untouched, but neither shown nor printed.
    const QJsonObject kept = sheetOf(dump, QStringLiteral("打印模板"));
    QCOMPARE(kept.value(QStringLiteral("state")).toString(), QStringLiteral("hidden"));
    QCOMPARE(kept.value(QStringLiteral("printArea")), QJsonValue(QJsonValue::Null));
    QCOMPARE(cellsOf(sheetOf(dump, QStringLiteral("打印模板"))), tplCells);
}

void TestTemplatePrinting::exportRoundsRowHeightsHalfToEven()
{
    QTemporaryDir dir;
    const QString tpl = dir.filePath(QStringLiteral("heights.xlsx"));
    Openpyxl::make(tpl, QStringLiteral("ws.title = '打印模板'\n"
                                       "ws['A1'] = '表头'\n"
                                       "for row, h in {1: 14.25, 2: 12.5, 3: 13.5, 4: 14.75, 5: 20}.items():\n"
                                       "    ws.row_dimensions[row].height = h\n"
                                       "ws.page_margins.left = 0.33\n"
                                       "ws.page_margins.footer = 0.11\n"));
    Fixture f(tpl);
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    const qint64 b = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    const QString out = f.env.path(QStringLiteral("heights-out.xlsx"));
    QVERIFY(runGuarded(f.env.messages, [&] {
        f.printing.exportStudents(Table, {recordItem(a, QStringLiteral("张三")), recordItem(b, QStringLiteral("李四"))}, out);
    }));
    QVERIFY(f.env.desktop.opened.isEmpty()); // written where asked, not opened
    const QJsonObject exp = sheetOf(Openpyxl::read(out), QStringLiteral("打印模板 (2)"));
    const QJsonObject heights = exp.value(QStringLiteral("heights")).toObject();
    const QList<double> expected{14, 12, 14, 15, 20, 15};
    for (int offset : {0, 50}) {
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(heights.value(QString::number(offset + i + 1)).toDouble(), expected[i]);
        QCOMPARE(heights.value(QString::number(offset + 50)).toDouble(), 15.0);
    }
    QCOMPARE(exp.value(QStringLiteral("margins")).toArray().at(0).toDouble(), 0.33);
    QCOMPARE(exp.value(QStringLiteral("margins")).toArray().at(5).toDouble(), 0.11);
}

void TestTemplatePrinting::exportFailuresAreShownAndWriteNothing()
{
    QTemporaryDir dir;
    const QString wrongSheet = dir.filePath(QStringLiteral("wrong-sheet.xlsx"));
    Openpyxl::make(wrongSheet, QStringLiteral("ws.title = 'Sheet1'\n"));
    {
        Fixture f(wrongSheet);
        const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
        // A template without the sheet "打印模板": the failure is shown, nothing is written.
        QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.exportStudents(Table, {recordItem(a, QStringLiteral("张三"))}); }));
        QCOMPARE(f.env.messages.shown.size(), 1);
        QCOMPARE(f.env.messages.shown.at(0).kind, ScriptedMessages::Kind::Error);
        const QStringList lines = f.env.messages.lastText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).startsWith(QStringLiteral("多人打印表没有导出")), qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).contains(QStringLiteral("打印模板")), qPrintable(lines.at(1)));
        QVERIFY(f.env.desktop.opened.isEmpty());
        QVERIFY(QDir(f.env.path(QStringLiteral("导出"))).entryList(QDir::Files | QDir::Hidden).isEmpty());

        // Preview and printing show the same failure instead of ending silently or claiming success.
        if (SpreadsheetRenderer().isAvailable()) {
            f.env.messages.clear();
            QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, {recordItem(a, QStringLiteral("张三"))}, 0); }));
            QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.printEach(Table, {recordItem(a, QStringLiteral("张三"))}); }));
            QCOMPARE(f.env.messages.shown.size(), 2);
            QVERIFY2(f.env.messages.shown.at(0).text.startsWith(QStringLiteral("预览失败")), qPrintable(f.env.messages.shown.at(0).text));
            QVERIFY2(f.env.messages.shown.at(1).text.startsWith(QStringLiteral("打印失败，没有送出任何打印")),
                     qPrintable(f.env.messages.shown.at(1).text));
            for (const ScriptedMessages::Shown &shown : f.env.messages.shown)
                QCOMPARE(shown.kind, ScriptedMessages::Kind::Error);
            QVERIFY(f.env.desktop.previewed.isEmpty() && f.env.desktop.printed.isEmpty() && f.env.desktop.opened.isEmpty());
        }
    }
    {
        // Nobody left: the export sheet (a copy of the template) is still written.
        Fixture f;
        const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
        f.env.db->execute(QStringLiteral("delete from ") + Table);
        QVERIFY(runGuarded(f.env.messages, [&] { f.printing.exportStudents(Table, {recordItem(a, QStringLiteral("张三"))}); }));
        QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("0 条记录导出完毕。\r\n耗时 5s.")});
        QCOMPARE(f.env.desktop.opened.size(), 1);
        const QJsonObject dump = Openpyxl::read(f.env.desktop.opened.at(0));
        QCOMPARE(names(dump.value(QStringLiteral("sheets"))).first(), QStringLiteral("打印模板 (2)"));
        QCOMPARE(sheetOf(dump, QStringLiteral("打印模板 (2)")).value(QStringLiteral("rightFooter")).toString(), QStringLiteral("页码 &P"));
    }
}

void TestTemplatePrinting::damagedTemplateIsReported()
{
    QTemporaryDir dir;
    const QString damaged = dir.filePath(QStringLiteral("damaged.xlsx"));
    {
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(readFile(defaultTemplate()).left(3000));
    }
    Fixture f(damaged);
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    QVERIFY(!runGuarded(f.env.messages, [&] { f.printing.exportStudents(Table, {recordItem(a, QStringLiteral("张三"))}); }));
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.at(0).kind, ScriptedMessages::Kind::Error);
    QVERIFY2(f.env.messages.lastText().contains(QStringLiteral("Template.xlsx")), qPrintable(f.env.messages.lastText()));
    QVERIFY(f.env.desktop.opened.isEmpty());
}

void TestTemplatePrinting::oldXlsTemplateIsConvertedOnce()
{
    needLibreOffice();
    Fixture f{QString()};
    SpreadsheetRenderer().convert({defaultTemplate()}, QStringLiteral("xls"), f.env.dir.path());
    QVERIFY(QFileInfo::exists(f.env.path(QStringLiteral("Template.xls"))));
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.exportStudents(Table, {recordItem(a, QStringLiteral("张三"))}); }));
    QVERIFY(QFileInfo::exists(f.templatePath));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("1 条记录导出完毕。\r\n耗时 5s.")});
    const QJsonObject exp = sheetOf(Openpyxl::read(f.env.desktop.opened.value(0)), QStringLiteral("打印模板 (2)"));
    QCOMPARE(cellsOf(exp).value(QStringLiteral("C5")).toString(), QStringLiteral("张三"));
    QCOMPARE(cellsOf(exp).value(QStringLiteral("A5")).toString(), QStringLiteral("姓名"));
}

// A teacher slow to answer the replace question, or a viewer slow to come up,
// is no part of the export's time.
void TestTemplatePrinting::elapsedTimeLeavesOutTheQuestionsAndTheViewer()
{
    TestEnv env;
    SteppingClock clock;
    Services services{env.messages, clock, env.desktop, env.dir.path(), QStringLiteral("tavro")};
    const SpreadsheetRenderer renderer;
    PresentedTemplatePrinting printing(*env.db, services, renderer);
    env.createClassTable(Table);
    QFile::copy(defaultTemplate(), env.path(QStringLiteral("Template.xlsx")));
    const QStringList items{recordItem(addStudent(env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}}), QStringLiteral("张三"))};
    env.desktop.onOpen = [&] { clock.advance(8); };
    QVERIFY(runGuarded(env.messages, [&] { printing.exportStudents(Table, items); }));

    const QString chosen = env.path(QStringLiteral("已有.xlsx"));
    {
        QFile old(chosen);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    printing.setReplaceConsent([&](const QString &) {
        clock.advance(8);
        return true;
    });
    QVERIFY(runGuarded(env.messages, [&] { printing.exportStudents(Table, items, chosen); }));
    QCOMPARE(env.messages.texts(), QStringList(2, QStringLiteral("1 条记录导出完毕。\r\n耗时 0s.")));
}

// The progress callback sees every student; a stop ends after the current one,
// keeps what was done and says so.
void TestTemplatePrinting::stoppingKeepsWhatWasDone()
{
    needLibreOffice();
    Fixture f;
    QStringList items;
    for (const char *name : {"张三", "李四", "王五"})
        items << recordItem(addStudent(f.env, Table, {{QStringLiteral("姓名"), QString::fromUtf8(name)}}), QString::fromUtf8(name));
    QList<std::pair<int, int>> calls;
    const auto stopAt = [&](int stop) {
        calls.clear();
        return [&calls, stop](int done, int total) {
            calls.append({done, total});
            return done < stop;
        };
    };
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.printEach(Table, items, stopAt(1)); }));
    QCOMPARE(calls, (QList<std::pair<int, int>>{{0, 3}, {1, 3}}));
    QCOMPARE(f.env.desktop.printed.size(), 1);
    const QString printed = pdfText(f.env.desktop.printedData.at(0));
    QVERIFY(printed.isNull() || printed.contains(QStringLiteral("李四")));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("打印已停止：已送出 1 名学生的打印，其余 2 名没有打印。\r\n耗时 5s.")});

    f.env.messages.clear();
    f.clock.restart();
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] { output = f.printing.exportStudents(Table, items, QString(), stopAt(2)); }));
    QCOMPARE(calls, (QList<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("导出已停止：已导出的 2 条记录已保存，其余 1 条没有导出。\r\n耗时 5s.")});
    const QJsonObject cells = cellsOf(sheetOf(Openpyxl::read(output), QStringLiteral("打印模板 (2)")));
    QCOMPARE(cells.value(QStringLiteral("C5")).toString(), QStringLiteral("李四"));
    QCOMPARE(cells.value(QStringLiteral("C55")).toString(), QStringLiteral("王五"));
    QVERIFY(!cells.contains(QStringLiteral("A105")));

    // Stopped before the first: nothing is written.
    f.env.messages.clear();
    f.env.desktop.opened.clear();
    QVERIFY(runGuarded(f.env.messages, [&] { output = f.printing.exportStudents(Table, items, QString(), stopAt(0)); }));
    QCOMPARE(output, QString());
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("导出已停止，没有写出文件。")});
    QVERIFY(f.env.desktop.opened.isEmpty());
}

// An 80-character address prints whole at the template's size: it wraps in its
// cell, and its row grows so that the lines stay clear of the row below.
void TestTemplatePrinting::longAddressWrapsAtAReadableSize()
{
    needLibreOffice();
    Fixture f;
    const QString address = QStringLiteral("广东省佛山市禅城区祖庙街道人民路").repeated(5);
    QCOMPARE(address.size(), 80);
    const qint64 a = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}, {QStringLiteral("现住址"), address}});
    QVERIFY(runGuarded(f.env.messages, [&] { f.printing.preview(nullptr, Table, {recordItem(a, QStringLiteral("张三"))}, 0); }));
    const auto words = pdfWords(f.env.desktop.previewedData.value(0));
    if (words.isEmpty())
        QSKIP("pdftotext is not installed");
    QString printed;
    double lastLineBottom = 0, nextRowTop = 0;
    for (const auto &[text, box] : words) {
        if (text.startsWith(QStringLiteral("广东省")) || (!printed.isEmpty() && printed.size() < 80 && address.contains(text))) {
            printed += text;
            // A 9 pt line of CJK text is about 11.7 pt high; shrunk to fit it was under 6.
            QVERIFY2(box.height() >= 11.0, qPrintable(QStringLiteral("%1: %2 pt").arg(text).arg(box.height())));
            lastLineBottom = box.bottom();
        } else if (text == QStringLiteral("通信地址")) {
            nextRowTop = box.top();
        }
    }
    QCOMPARE(printed, address);
    QVERIFY2(lastLineBottom <= nextRowTop, qPrintable(QStringLiteral("%1 > %2").arg(lastLineBottom).arg(nextRowTop)));

    // Printed after it, a student with a short address gets the template's row again.
    const qint64 b = addStudent(f.env, Table, {{QStringLiteral("姓名"), QStringLiteral("赵六")}});
    QVERIFY(runGuarded(f.env.messages, [&] {
        f.printing.printEach(Table, {recordItem(a, QStringLiteral("张三")), recordItem(b, QStringLiteral("赵六"))});
    }));
    const auto labelTop = [](const QByteArray &pdf) {
        for (const auto &[text, box] : pdfWords(pdf)) {
            if (text == QStringLiteral("通信地址"))
                return box.top();
        }
        return -1.0;
    };
    QVERIFY(labelTop(f.env.desktop.printedData.value(1)) < labelTop(f.env.desktop.printedData.value(0)) - 40);
}

void TestTemplatePrinting::exportPrintsOneStudentPerPage()
{
    needLibreOffice();
    Fixture f;
    QStringList items;
    for (const char *name : {"张三", "李四", "王五"})
        items << recordItem(addStudent(f.env, Table, {{QStringLiteral("姓名"), QString::fromUtf8(name)}}), QString::fromUtf8(name));
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] { output = f.printing.exportStudents(Table, items); }));
    // Only the export sheet prints: the empty template sheet behind it would add a page.
    const QString pdf = f.renderer.renderPdf(output, f.env.dir.path());
    if (qEnvironmentVariableIsSet("TAVRO_KEEP_PDF")) {
        QFile::copy(pdf, qEnvironmentVariable("TAVRO_KEEP_PDF"));
        QFile::copy(output, qEnvironmentVariable("TAVRO_KEEP_PDF") + QStringLiteral(".xlsx"));
    }
    const QString text = pdfText(readFile(pdf));
    QCOMPARE(pdfPageCount(readFile(pdf)), 3);
    if (!text.isNull()) {
        const QStringList pages = text.split(QLatin1Char('\f'));
        QVERIFY(pages.size() >= 3);
        QVERIFY(pages[0].contains(QStringLiteral("李四")) && pages[0].contains(QStringLiteral("页码 1")));
        QVERIFY(pages[1].contains(QStringLiteral("王五")) && pages[1].contains(QStringLiteral("学生学籍信息登记表")));
        QVERIFY(pages[2].contains(QStringLiteral("张三")) && pages[2].contains(QStringLiteral("家长（监护人）签名")));
    }
}

QTEST_GUILESS_MAIN(TestTemplatePrinting)
#include "tst_template_printing.moc"
