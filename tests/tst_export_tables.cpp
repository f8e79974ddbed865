// "导出" on the management tab: tables as sheets of a new workbook, with their
// own columns or Init1's, read back by openpyxl.
// Runs on every database engine.
#include <QtTest>

#include <QJsonArray>

#include "core/record/record_columns.h"
#include "core/operations/export_tables.h"
#include "manage/presented_operations.h"
#include "openpyxl.h"
#include "platform/app_error.h"
#include "platform/guard.h"
#include "platform/spreadsheet_renderer.h"
#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_sheet.h"
#include "print_test_support.h"

namespace {

QJsonObject sheetOf(const QJsonObject &dump, const QString &name)
{
    return dump.value(QStringLiteral("sheet")).toObject().value(name).toObject();
}

QStringList names(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &x : v.toArray())
        out << x.toString();
    return out;
}

// Row `row` of the sheet from column A to the last column given, as texts.
QStringList rowOf(const QJsonObject &sheet, int row, int columns)
{
    const QJsonObject cells = sheet.value(QStringLiteral("cells")).toObject();
    QStringList out;
    for (int c = 1; c <= columns; ++c)
        out << cells.value(XlsxAddress::cellName(row, c)).toString();
    return out;
}

struct Fixture
{
    TestEnv env;
    SequenceClock clock{{QDateTime(QDate(2015, 10, 15), QTime(10, 30)), QDateTime(QDate(2015, 10, 15), QTime(10, 30, 12, 600))}};
    Services services{env.messages, clock, env.desktop, env.dir.path(), QStringLiteral("tavro")};
    PresentedTablesExport exporter{*env.db, services};
};

} // namespace

class TestExportTables : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportColumnList();
    void ownColumnsInReverseSelectionOrder();
    void nationalStructureOfInit1();
    void emptyTableGivesHeaderOnly();
    void widthsFitTheUsedColumns();
    void nothingSelected();
    void elapsedTimeLeavesOutTheQuestionAndTheViewer();
    void stoppingKeepsTheTablesDone();
    void failureMidwayWritesNothing();
    void libreOfficeOpensTheExport();
    void sheetsPrintOnePageWide();
};

void TestExportTables::initTestCase()
{
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to check the files");
}

void TestExportTables::exportColumnList()
{
    const QStringList init1{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("D")};
    const QStringList init2{QStringLiteral("id"), QStringLiteral("a"), QStringLiteral("D"), QStringLiteral("E")};
    QCOMPARE(BuildExportColumnList(init1, init2), QStringLiteral(" A, ' ' as B, D"));
    QCOMPARE(QStringLiteral("select ") + BuildExportColumnList(init1, init2) + QStringLiteral(" from 高一01"),
             QStringLiteral("select  A, ' ' as B, D from 高一01"));
}

void TestExportTables::ownColumnsInReverseSelectionOrder()
{
    Fixture f;
    f.env.createClassTable(QStringLiteral("高一01"));
    f.env.createClassTable(QStringLiteral("高一02"));
    addStudent(f.env, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("张三")}, {QStringLiteral("邮政编码"), QStringLiteral("528000")}});
    addStudent(f.env, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("李四")}, {QStringLiteral("民族"), QString()}});
    addStudent(f.env, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("王五")}, {QStringLiteral("身份证件号"), QStringLiteral("440604201001010012")}});
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] {
        output = f.exporter.run({QStringLiteral("高一01"), QStringLiteral("高一02")}, ExportTablesToSheets::Structure::Init2);
    }));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("导出 2 个excel工作表。\r\n耗时 12 s.")});
    QCOMPARE(f.env.desktop.opened, QStringList{output});
    QCOMPARE(QFileInfo(output).absolutePath(), QDir(f.env.dir.path()).filePath(QStringLiteral("导出")));

    const QJsonObject dump = Openpyxl::read(output);
    QCOMPARE(names(dump.value(QStringLiteral("sheets"))),
             QStringList({QStringLiteral("高一02"), QStringLiteral("高一01"), QStringLiteral("Sheet1")}));
    QCOMPARE(dump.value(QStringLiteral("active")).toString(), QStringLiteral("高一02"));
    const QStringList header = QStringList{QStringLiteral("id")} + RecordColumns::dataColumns();
    const QJsonObject first = sheetOf(dump, QStringLiteral("高一01"));
    QCOMPARE(rowOf(first, 1, header.size() + 1), header + QStringList{QString()});
    const QStringList zhang = rowOf(first, 2, header.size());
    QCOMPARE(zhang.at(0), QStringLiteral("1"));
    QCOMPARE(zhang.at(1), QStringLiteral("张三"));
    QCOMPARE(zhang.at(header.indexOf(QStringLiteral("邮政编码"))), QStringLiteral("528000"));
    QCOMPARE(rowOf(first, 3, 2), QStringList({QStringLiteral("2"), QStringLiteral("李四")}));
    QCOMPARE(rowOf(first, 3, header.size()).at(header.indexOf(QStringLiteral("民族"))), QString());
    QVERIFY(rowOf(first, 4, header.size()).join(QString()).isEmpty());
    const QJsonObject second = sheetOf(dump, QStringLiteral("高一02"));
    QCOMPARE(rowOf(second, 2, header.size()).at(header.indexOf(QStringLiteral("身份证件号"))), QStringLiteral("440604201001010012"));
    // Every written cell is text, so long numbers and leading zeros survive.
    const QJsonObject formats = second.value(QStringLiteral("formats")).toObject();
    for (auto it = formats.begin(); it != formats.end(); ++it)
        QCOMPARE(it.value().toString(), QStringLiteral("@"));
    QCOMPARE(second.value(QStringLiteral("columnFormats")).toObject().value(QStringLiteral("BZ")).toString(), QStringLiteral("@"));
}

void TestExportTables::nationalStructureOfInit1()
{
    Fixture f;
    f.env.createClassTable(QStringLiteral("初二03"));
    f.env.db->execute(QStringLiteral("alter table 初二03 add column 备注 TEXT"));
    addStudent(f.env, QStringLiteral("初二03"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    addStudent(f.env, QStringLiteral("初二03"), {{QStringLiteral("姓名"), QStringLiteral("李四")}});
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] {
        output = f.exporter.run({QStringLiteral("初二03")}, ExportTablesToSheets::Structure::Init1);
    }));
    const QStringList national = RecordColumns::nationalColumns();
    const QJsonObject sheet = sheetOf(Openpyxl::read(output), QStringLiteral("初二03"));
    QCOMPARE(rowOf(sheet, 1, national.size() + 1), national + QStringList{QString()});
    const QStringList own = RecordColumns::dataColumns();
    for (int row : {2, 3}) {
        const QStringList values = rowOf(sheet, row, national.size());
        for (int i = 0; i < national.size(); ++i) {
            if (national[i] == QStringLiteral("姓名"))
                QCOMPARE(values[i], row == 2 ? QStringLiteral("张三") : QStringLiteral("李四"));
            else if (own.contains(national[i]))
                QCOMPARE(values[i], national[i] + QStringLiteral("值"));
            else
                QCOMPARE(values[i], QStringLiteral(" ")); // one blank under a column the class table lacks
        }
    }
}

void TestExportTables::emptyTableGivesHeaderOnly()
{
    Fixture f;
    f.env.createClassTable(QStringLiteral("小六12"));
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] { output = f.exporter.run({QStringLiteral("小六12")}, ExportTablesToSheets::Structure::Init2); }));
    const QJsonObject sheet = sheetOf(Openpyxl::read(output), QStringLiteral("小六12"));
    const QJsonObject cells = sheet.value(QStringLiteral("cells")).toObject();
    QCOMPARE(cells.size(), 1 + RecordColumns::dataColumns().size());
    for (auto it = cells.begin(); it != cells.end(); ++it)
        QVERIFY(it.key().endsWith(QStringLiteral("1")) && !it.key().endsWith(QStringLiteral("11")));
}

void TestExportTables::widthsFitTheUsedColumns()
{
    Fixture f;
    for (int n : {27, 52}) {
        QStringList defs;
        for (int i = 1; i <= n; ++i)
            defs << QStringLiteral("列%1 TEXT").arg(i);
        f.env.db->execute(QStringLiteral("create table 宽%1 (%2)").arg(n).arg(defs.join(QStringLiteral(", "))));
        QStringList values;
        for (int i = 1; i <= n; ++i)
            values << (i == n ? QStringLiteral("'最后一列的长长的内容'") : QStringLiteral("'x'"));
        f.env.db->execute(QStringLiteral("insert into 宽%1 values (%2)").arg(n).arg(values.join(QLatin1Char(','))));
    }
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] {
        output = f.exporter.run({QStringLiteral("宽27"), QStringLiteral("宽52")}, ExportTablesToSheets::Structure::Init2);
    }));
    const QJsonObject dump = Openpyxl::read(output);
    for (int n : {27, 52}) {
        const QJsonObject widths = sheetOf(dump, QStringLiteral("宽%1").arg(n)).value(QStringLiteral("widths")).toObject();
        const QString last = ColumnLetters(n);
        QCOMPARE(last, n == 27 ? QStringLiteral("AA") : QStringLiteral("AZ"));
        // Columns A to the last are fitted (the last to its long CJK text), the next one is not.
        QVERIFY(widths.value(last).toDouble() >= 20);
        QVERIFY(widths.value(QStringLiteral("A")).toDouble() >= 5 && widths.value(QStringLiteral("A")).toDouble() < 8);
        QCOMPARE(widths.value(ColumnLetters(n + 1)).toDouble(8.43), 8.43);
    }
}

void TestExportTables::nothingSelected()
{
    Fixture f;
    QVERIFY(runGuarded(f.env.messages, [&] { f.exporter.run({}, ExportTablesToSheets::Structure::Init1); }));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("请先选择表。")});
    QVERIFY(f.env.desktop.opened.isEmpty());
    QVERIFY(!QDir(f.env.path(QStringLiteral("导出"))).exists());
}

void TestExportTables::elapsedTimeLeavesOutTheQuestionAndTheViewer()
{
    TestEnv env;
    SteppingClock clock;
    Services services{env.messages, clock, env.desktop, env.dir.path(), QStringLiteral("tavro")};
    PresentedTablesExport exporter(*env.db, services);
    env.createClassTable(QStringLiteral("高一01"));
    env.desktop.onOpen = [&] { clock.advance(8); };
    QVERIFY(runGuarded(env.messages, [&] { exporter.run({QStringLiteral("高一01")}, ExportTablesToSheets::Structure::Init2); }));
    const QString chosen = env.path(QStringLiteral("已有.xlsx"));
    {
        QFile old(chosen);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    exporter.setReplaceConsent([&](const QString &) {
        clock.advance(8);
        return true;
    });
    QVERIFY(runGuarded(env.messages, [&] { exporter.run({QStringLiteral("高一01")}, ExportTablesToSheets::Structure::Init2, chosen); }));
    QCOMPARE(env.messages.texts(), QStringList(2, QStringLiteral("导出 1 个excel工作表。\r\n耗时 0 s.")));
}

void TestExportTables::stoppingKeepsTheTablesDone()
{
    Fixture f;
    const QStringList tables{QStringLiteral("高一01"), QStringLiteral("高一02"), QStringLiteral("高一03")};
    for (const QString &t : tables)
        f.env.createClassTable(t);
    QList<int> seen;
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] {
        output = f.exporter.run(tables, ExportTablesToSheets::Structure::Init2, QString(), [&](int done, int total) {
            seen << done;
            return total == 3 && done < 1;
        });
    }));
    QCOMPARE(seen, QList<int>({0, 1}));
    QCOMPARE(f.env.messages.texts(), QStringList{QStringLiteral("导出已停止：已导出的 1 个excel工作表已保存，其余 2 个表没有导出。\r\n耗时 12 s.")});
    QCOMPARE(names(Openpyxl::read(output).value(QStringLiteral("sheets"))), QStringList({QStringLiteral("高一01"), QStringLiteral("Sheet1")}));
}

void TestExportTables::failureMidwayWritesNothing()
{
    Fixture f;
    f.env.createClassTable(QStringLiteral("高一01"));
    const QString tooLong = QString(32, QChar(u'高'));
    f.env.createClassTable(tooLong);
    QVERIFY(!runGuarded(f.env.messages, [&] {
        f.exporter.run({QStringLiteral("高一01"), QStringLiteral("没有这个表")}, ExportTablesToSheets::Structure::Init2);
    }));
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.at(0).kind, ScriptedMessages::Kind::Error);
    const QStringList lines = f.env.messages.lastText().split(QLatin1Char('\n'));
    QVERIFY(lines.size() >= 2);
    QVERIFY2(lines.at(0).contains(QStringLiteral("没有写出文件")) && lines.at(0).contains(QStringLiteral("没有这个表")),
             qPrintable(lines.at(0)));
    // The engine's own text follows on the next line(s).
    QVERIFY2(lines.mid(1).join(QLatin1Char('\n')).contains(QStringLiteral("没有这个表")), qPrintable(lines.join(QLatin1Char('\n'))));
    QVERIFY(f.env.desktop.opened.isEmpty());
    QVERIFY(QDir(f.env.path(QStringLiteral("导出"))).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // A name the spreadsheet refuses as a sheet name stops the export before any table is read.
    f.env.messages.clear();
    QVERIFY(!runGuarded(f.env.messages, [&] {
        f.exporter.run({QStringLiteral("高一01"), tooLong}, ExportTablesToSheets::Structure::Init2);
    }));
    QVERIFY2(f.env.messages.lastText().contains(QStringLiteral("31")) && f.env.messages.lastText().contains(tooLong),
             qPrintable(f.env.messages.lastText()));
    QVERIFY(f.env.desktop.opened.isEmpty());
}

void TestExportTables::libreOfficeOpensTheExport()
{
    const SpreadsheetRenderer renderer;
    if (!renderer.isAvailable())
        QSKIP("LibreOffice is not installed");
    Fixture f;
    f.env.createClassTable(QStringLiteral("高一01"));
    addStudent(f.env, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("张三")}, {QStringLiteral("邮政编码"), QStringLiteral("000123")}});
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] { output = f.exporter.run({QStringLiteral("高一01")}, ExportTablesToSheets::Structure::Init2); }));
    const QString csv = renderer.convert({output}, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), f.env.dir.path()).value(0);
    const QStringList lines = QString::fromUtf8(readFile(csv)).split(QLatin1Char('\n'));
    QVERIFY2(lines.value(0).startsWith(QStringLiteral("id,姓名,性别")), qPrintable(lines.value(0)));
    QVERIFY2(lines.value(1).startsWith(QStringLiteral("1,张三,性别值")), qPrintable(lines.value(1)));
    QVERIFY(lines.value(1).contains(QStringLiteral(",000123,")));
}

void TestExportTables::sheetsPrintOnePageWide()
{
    Fixture f;
    const QString id = QStringLiteral("440606200903151234");
    const QString address = QStringLiteral("广东省佛山市顺德区大良街道办事处云路社区居民委员会新城区锦绣花园二期十八栋三单元");
    f.env.createClassTable(QStringLiteral("高一01"));
    f.env.createClassTable(QStringLiteral("高一02"));
    for (int i = 1; i <= 33; ++i)
        addStudent(f.env, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QStringLiteral("学生%1").arg(i)},
                                                    {QStringLiteral("身份证件号"), id}, {QStringLiteral("家庭地址"), address},
                                                    {QStringLiteral("是否进城务工人员随迁子女"), QStringLiteral("0-否")}});
    addStudent(f.env, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("王五")}});
    QString output;
    QVERIFY(runGuarded(f.env.messages, [&] {
        output = f.exporter.run({QStringLiteral("高一01"), QStringLiteral("高一02")}, ExportTablesToSheets::Structure::Init2);
    }));

    // Each class's sheet prints landscape, three pages wide with id and 姓名
    // beginning each page (48 columns on one would be unreadable), its column names on every page.
    const QJsonObject dump = Openpyxl::read(output);
    const int idColumn = 2 + int(RecordColumns::dataColumns().indexOf(QStringLiteral("身份证件号")));
    const int addressColumn = 2 + int(RecordColumns::dataColumns().indexOf(QStringLiteral("家庭地址")));
    for (const QString &table : {QStringLiteral("高一01"), QStringLiteral("高一02")}) {
        const QJsonObject sheet = sheetOf(dump, table);
        const QJsonObject page = sheet.value(QStringLiteral("page")).toObject();
        QCOMPARE(page.value(QStringLiteral("orientation")).toString(), QStringLiteral("landscape"));
        QCOMPARE(page.value(QStringLiteral("fitToWidth")).toInt(), 3);
        QCOMPARE(page.value(QStringLiteral("fitToHeight")).toInt(-1), 0);
        QVERIFY(page.value(QStringLiteral("fitToPage")).toBool());
        QCOMPARE(sheet.value(QStringLiteral("printTitleRows")).toString(), QStringLiteral("$1:$1"));
        QCOMPARE(sheet.value(QStringLiteral("printTitleCols")).toString(), QStringLiteral("$A:$B"));
    }
    const QJsonObject first = sheetOf(dump, QStringLiteral("高一01"));
    const QString idCell = XlsxAddress::cellName(34, idColumn);
    QCOMPARE(first.value(QStringLiteral("cells")).toObject().value(idCell).toString(), id);
    QCOMPARE(first.value(QStringLiteral("types")).toObject().value(idCell).toString(), QStringLiteral("s"));
    // The long address is capped and wraps; the ID column shows its 18 digits.
    const QJsonObject widths = first.value(QStringLiteral("widths")).toObject();
    QCOMPARE(widths.value(ColumnLetters(addressColumn)).toDouble(), XlsxSheet::ListColumnMaxWidth);
    QVERIFY(first.value(QStringLiteral("styles")).toObject().value(XlsxAddress::cellName(2, addressColumn)).toString().endsWith(QStringLiteral("|True")));
    QVERIFY(widths.value(ColumnLetters(idColumn)).toDouble() >= 19);
    QVERIFY(first.value(QStringLiteral("heights")).toObject().value(QStringLiteral("34")).toDouble() > 15);
    // A long column name over short values wraps in its row, which grows for it.
    const int migrantColumn = 2 + int(RecordColumns::dataColumns().indexOf(QStringLiteral("是否进城务工人员随迁子女")));
    QVERIFY(widths.value(ColumnLetters(migrantColumn)).toDouble() <= 12);
    QVERIFY(first.value(QStringLiteral("styles")).toObject().value(XlsxAddress::cellName(1, migrantColumn)).toString().endsWith(QStringLiteral("|True")));
    QVERIFY(first.value(QStringLiteral("heights")).toObject().value(QStringLiteral("1")).toDouble() >= 30);
    QVERIFY(sheetOf(dump, QStringLiteral("高一02")).value(QStringLiteral("heights")).toObject().isEmpty());

    const SpreadsheetRenderer renderer;
    if (!renderer.isAvailable())
        QSKIP("LibreOffice is not installed");
    QFile pdf(renderer.renderPdf(output, f.env.dir.path()));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    if (!qEnvironmentVariableIsEmpty("TAVRO_KEEP_PDF"))
        QFile::copy(pdf.fileName(), qEnvironmentVariable("TAVRO_KEEP_PDF") + QStringLiteral("/导出表格.pdf"));
    // 33 pupils in all 48 columns were 11 pages cut anywhere between columns;
    // now three pages across, each beginning with id and 姓名 under the column names.
    const QStringList pages = pdfText(bytes).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    const int count = pdfPageCount(bytes);
    QVERIFY2(count % 3 == 0 && count <= 12, qPrintable(QString::number(count)));
    for (const QString &text : pages)
        QVERIFY2(text.contains(QStringLiteral("姓名")), qPrintable(text.left(300)));
    QVERIFY(pdfText(bytes).contains(RecordColumns::dataColumns().constLast()));
    QVERIFY(pdfText(bytes).contains(QStringLiteral("学生33")));
}

QTEST_GUILESS_MAIN(TestExportTables)
#include "tst_export_tables.moc"
