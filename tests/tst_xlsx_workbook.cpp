// The xlsx editor: files it writes are read back by openpyxl (an independent
// reader) and, where installed, by LibreOffice.
#include <QtTest>

#include <QJsonArray>
#include <QProcess>

#include "openpyxl.h"
#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"
#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_workbook.h"

namespace {

// A small print template: labels with borders, merged areas, a formula,
// row heights, margins, a print area and a second sheet.
const char *FixtureCode = R"PY(
ws.title = "打印模板"
thin = Side(style="thin")
box = Border(left=thin, right=thin, top=thin, bottom=thin)
ws["A1"] = "学生信息"
ws["A1"].font = Font(name="Noto Sans CJK SC", size=16, bold=True)
ws.merge_cells("A1:F1")
ws.merge_cells("C3:F3")
ws["A5"] = "姓名"
ws["C5"].border = box
ws["C5"].font = Font(name="Noto Sans CJK SC", size=10)
ws["F5"].border = box
ws["B7"] = 42
ws["D7"] = "=B7*2"
ws["E7"] = "=$B$7+B7"
ws["A50"] = "签名"
ws["G5"] = "outside"
ws.row_dimensions[5].height = 14.25
ws.row_dimensions[6].height = 20
ws.page_margins.left = 0.4
ws.page_margins.top = 0.55
ws.oddFooter.left.text = "左"
ws.oddFooter.center.text = "中"
ws.print_area = "A1:F50"
other = wb.create_sheet("其它")
other["A1"] = "不动"
)PY";

QJsonObject sheetOf(const QJsonObject &dump, const QString &name)
{
    return dump.value(QStringLiteral("sheet")).toObject().value(name).toObject();
}

QString cell(const QJsonObject &sheet, const QString &ref)
{
    return sheet.value(QStringLiteral("cells")).toObject().value(ref).toString();
}

QString style(const QJsonObject &sheet, const QString &ref)
{
    return sheet.value(QStringLiteral("styles")).toObject().value(ref).toString();
}

QStringList strings(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &x : v.toArray())
        out << x.toString();
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestXlsxWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void columnLetters_data();
    void columnLetters();
    void blockAddresses();
    void cellTextsKeepFormatsAndOtherContent();
    void awkwardTexts();
    void templateIsNeverWritten();
    void blockCopyCarriesValuesFormatsMergesFormulas();
    void blockCopyReplacesWhatWasThere();
    void sheetCopyGoesFirstWithItsOwnPrintArea();
    void rowHeightsAndDefault();
    void marginsAndFooter();
    void newWorkbookForTableExport();
    void sheetNamesSpreadsheetsRefuse();
    void damagedFilesGiveClearErrors_data();
    void damagedFilesGiveClearErrors();
    void libreOfficeReadsWhatWeWrite();
    void workbookWrittenByLibreOfficeCanBeEdited();

private:
    QTemporaryDir m_dir;
    QString m_fixture;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestXlsxWorkbook::initTestCase()
{
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to check the files");
    m_fixture = path(QStringLiteral("fixture.xlsx"));
    Openpyxl::make(m_fixture, QString::fromUtf8(FixtureCode));
}

void TestXlsxWorkbook::columnLetters_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("letters");
    QTest::newRow("1") << 1 << "A";
    QTest::newRow("26") << 26 << "Z";
    QTest::newRow("27") << 27 << "AA";
    QTest::newRow("52") << 52 << "AZ";
    QTest::newRow("53") << 53 << "BA";
    QTest::newRow("702") << 702 << "ZZ";
    QTest::newRow("703") << 703 << "AAA";
}

void TestXlsxWorkbook::columnLetters()
{
    QFETCH(int, n);
    QFETCH(QString, letters);
    QCOMPARE(ColumnLetters(n), letters);
    QCOMPARE(XlsxAddress::columnNumber(letters), n);
}

void TestXlsxWorkbook::blockAddresses()
{
    QCOMPARE(XlsxAddress::parseRange(QStringLiteral("F50:A1")), (CellRange{1, 1, 50, 6}));
    QCOMPARE(XlsxAddress::parseRange(QStringLiteral("A51:F100")), (CellRange{51, 1, 100, 6}));
    QCOMPARE(XlsxAddress::parseRange(QStringLiteral("$C$3")), (CellRange{3, 3, 3, 3}));
    for (const char *bad : {"", "A0", "1A", "F50:", "A1:B2:C3", "XFE1", "A1048577"})
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, XlsxAddress::parseRange(QString::fromLatin1(bad)));
}

void TestXlsxWorkbook::cellTextsKeepFormatsAndOtherContent()
{
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    QCOMPARE(book.sheetNames(), QStringList({QStringLiteral("打印模板"), QStringLiteral("其它")}));
    XlsxSheet &sheet = book.sheet(QStringLiteral("打印模板"));
    QCOMPARE(&book.sheet(1), &sheet);
    QCOMPARE(book.findSheet(QStringLiteral("没有")), nullptr);
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, book.sheet(QStringLiteral("没有")));
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, book.sheet(3));

    QCOMPARE(sheet.cellText(1, 1), QStringLiteral("学生信息"));
    QCOMPARE(sheet.cellText(7, 2), QStringLiteral("42"));
    sheet.setCellText(5, 3, QStringLiteral("张三"));
    sheet.setCellText(5, 6, QStringLiteral("居民身份证"));
    sheet.setCellText(7, 2, QStringLiteral("2015301")); // a number cell becomes a string
    sheet.setCellText(5, 1, QString());                  // empties the label
    sheet.setCellText(9, 3, QStringLiteral("张三"));     // the same text again
    QCOMPARE(sheet.cellText(5, 3), QStringLiteral("张三"));
    const QString out = path(QStringLiteral("cells.xlsx"));
    book.saveAs(out);

    const QJsonObject dump = Openpyxl::read(out);
    const QJsonObject before = sheetOf(Openpyxl::read(m_fixture), QStringLiteral("打印模板"));
    const QJsonObject after = sheetOf(dump, QStringLiteral("打印模板"));
    QCOMPARE(cell(after, QStringLiteral("C5")), QStringLiteral("张三"));
    QCOMPARE(cell(after, QStringLiteral("C9")), QStringLiteral("张三"));
    QCOMPARE(cell(after, QStringLiteral("F5")), QStringLiteral("居民身份证"));
    QCOMPARE(cell(after, QStringLiteral("B7")), QStringLiteral("2015301"));
    QVERIFY(!after.value(QStringLiteral("cells")).toObject().contains(QStringLiteral("A5")));
    QCOMPARE(style(after, QStringLiteral("C5")), style(before, QStringLiteral("C5")));
    QCOMPARE(style(after, QStringLiteral("A1")), style(before, QStringLiteral("A1")));
    QCOMPARE(cell(after, QStringLiteral("D7")), QStringLiteral("=B7*2"));
    QCOMPARE(after.value(QStringLiteral("merged")), before.value(QStringLiteral("merged")));
    QCOMPARE(after.value(QStringLiteral("heights")), before.value(QStringLiteral("heights")));
    QCOMPARE(after.value(QStringLiteral("margins")), before.value(QStringLiteral("margins")));
    QCOMPARE(after.value(QStringLiteral("printArea")), before.value(QStringLiteral("printArea")));
    QCOMPARE(cell(sheetOf(dump, QStringLiteral("其它")), QStringLiteral("A1")), QStringLiteral("不动"));
}

void TestXlsxWorkbook::awkwardTexts()
{
    const QStringList texts{QStringLiteral("  前后空格  "), QStringLiteral("a & b < c > \"d\""), QStringLiteral("第一行\n第二行"),
                            QStringLiteral("控制\x01字符"), QStringLiteral("_x0041_ 原样"), QStringLiteral("𠀀 生僻字")};
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    XlsxSheet &sheet = book.sheet(1);
    for (int i = 0; i < texts.size(); ++i)
        sheet.setCellText(20 + i, 3, texts[i]);
    const QString out = path(QStringLiteral("awkward.xlsx"));
    book.saveAs(out);

    XlsxWorkbook again = XlsxWorkbook::open(out);
    const QJsonObject dump = sheetOf(Openpyxl::read(out), QStringLiteral("打印模板"));
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(again.sheet(1).cellText(20 + i, 3), texts[i]);
        if (i != 3 && i != 4) // openpyxl leaves the _xHHHH_ escapes as they are
            QCOMPARE(cell(dump, QStringLiteral("C%1").arg(20 + i)), texts[i]);
    }
}

void TestXlsxWorkbook::templateIsNeverWritten()
{
    const QString copy = path(QStringLiteral("template-copy.xlsx"));
    QFile::copy(m_fixture, copy);
    const QByteArray original = fileBytes(copy);
    XlsxWorkbook book = XlsxWorkbook::open(copy);
    book.sheet(1).setCellText(5, 3, QStringLiteral("改动"));
    QVERIFY_THROWS_EXCEPTION(FileError, book.saveAs(copy));
    QVERIFY_THROWS_EXCEPTION(FileError, book.saveAs(m_dir.path() + QStringLiteral("/./template-copy.xlsx")));
    book.saveAs(path(QStringLiteral("elsewhere.xlsx")));
    QCOMPARE(fileBytes(copy), original);
}

void TestXlsxWorkbook::blockCopyCarriesValuesFormatsMergesFormulas()
{
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    XlsxSheet &source = book.sheet(QStringLiteral("打印模板"));
    XlsxSheet &other = book.sheet(QStringLiteral("其它"));
    source.copyRange(QStringLiteral("F50:A1"), other, QStringLiteral("F100:A51"));
    source.copyRange(QStringLiteral("F50:A1"), other, QStringLiteral("F150:A101"));
    source.copyRange(QStringLiteral("A1:F50"), source, QStringLiteral("A51"));
    const QString out = path(QStringLiteral("blocks.xlsx"));
    book.saveAs(out);

    const QJsonObject dump = Openpyxl::read(out);
    const QJsonObject src = sheetOf(dump, QStringLiteral("打印模板"));
    const QJsonObject dst = sheetOf(dump, QStringLiteral("其它"));
    for (int offset : {50, 100}) {
        const auto at = [offset](const char *col, int row) { return QString::fromLatin1(col) + QString::number(row + offset); };
        QCOMPARE(cell(dst, at("A", 1)), QStringLiteral("学生信息"));
        QCOMPARE(cell(dst, at("A", 5)), QStringLiteral("姓名"));
        QCOMPARE(cell(dst, at("A", 50)), QStringLiteral("签名"));
        QCOMPARE(style(dst, at("C", 5)), style(src, QStringLiteral("C5")));
        QCOMPARE(style(dst, at("A", 1)), style(src, QStringLiteral("A1")));
        QCOMPARE(cell(dst, at("D", 7)), QStringLiteral("=B%1*2").arg(7 + offset));
        QCOMPARE(cell(dst, at("E", 7)), QStringLiteral("=$B$7+B%1").arg(7 + offset));
        QVERIFY(!dst.value(QStringLiteral("cells")).toObject().contains(at("G", 5))); // outside the block
    }
    QCOMPARE(cell(dst, QStringLiteral("A1")), QStringLiteral("不动"));
    QCOMPARE(strings(dst.value(QStringLiteral("merged"))),
             QStringList({QStringLiteral("A101:F101"), QStringLiteral("A51:F51"), QStringLiteral("C103:F103"),
                          QStringLiteral("C53:F53")}));
    // Within one sheet: the block below the original, the original untouched.
    QCOMPARE(cell(src, QStringLiteral("A55")), QStringLiteral("姓名"));
    QCOMPARE(cell(src, QStringLiteral("A5")), QStringLiteral("姓名"));
    QCOMPARE(strings(src.value(QStringLiteral("merged"))).size(), 4);
    // Row heights are not part of a block copy.
    QVERIFY(!dst.value(QStringLiteral("heights")).toObject().contains(QStringLiteral("55")));
}

void TestXlsxWorkbook::blockCopyReplacesWhatWasThere()
{
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    XlsxSheet &source = book.sheet(QStringLiteral("打印模板"));
    XlsxSheet &target = book.sheet(QStringLiteral("其它"));
    target.setCellText(52, 2, QStringLiteral("旧值"));  // inside the block, empty in the source
    target.setCellText(52, 8, QStringLiteral("留下")); // beside the block
    target.merge(QStringLiteral("B60:B70"));            // overlaps the block
    target.merge(QStringLiteral("H60:H70"));            // does not
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, target.merge(QStringLiteral("H65:I66")));
    source.copyRange(QStringLiteral("F50:A1"), target, QStringLiteral("F100:A51"));
    QVERIFY(!target.hasCell(52, 2));
    QCOMPARE(target.cellText(52, 8), QStringLiteral("留下"));
    QCOMPARE(target.cellText(55, 1), QStringLiteral("姓名"));
    const QList<CellRange> merges = target.mergedRanges();
    QVERIFY(merges.contains(XlsxAddress::parseRange(QStringLiteral("H60:H70"))));
    QVERIFY(!merges.contains(XlsxAddress::parseRange(QStringLiteral("B60:B70"))));
    QVERIFY(merges.contains(XlsxAddress::parseRange(QStringLiteral("A51:F51"))));
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError,
                             source.copyRange(QStringLiteral("F50:A1"), target, QStringLiteral("A1048570")));
    XlsxWorkbook stranger = XlsxWorkbook::create();
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, source.copyRange(QStringLiteral("A1:B2"), stranger.sheet(1), QStringLiteral("A1")));
}

void TestXlsxWorkbook::sheetCopyGoesFirstWithItsOwnPrintArea()
{
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    XlsxSheet &source = book.sheet(QStringLiteral("打印模板"));
    XlsxSheet &copy = book.copySheetToFront(source);
    QCOMPARE(copy.name(), QStringLiteral("打印模板 (2)"));
    QCOMPARE(&book.sheet(1), &copy);
    QCOMPARE(source.index(), 2);
    QCOMPARE(copy.cellText(5, 1), QStringLiteral("姓名"));
    QVERIFY(!copy.printArea().isEmpty());
    copy.clearPrintArea();
    QVERIFY(copy.printArea().isEmpty());
    QVERIFY(!source.printArea().isEmpty());
    copy.setCellText(5, 3, QStringLiteral("只在副本"));
    QCOMPARE(source.cellText(5, 3), QString());
    QCOMPARE(book.copySheetToFront(source).name(), QStringLiteral("打印模板 (3)"));
    book.activate(copy);
    QCOMPARE(&book.activeSheet(), &copy);

    const QString out = path(QStringLiteral("copy.xlsx"));
    book.saveAs(out);
    const QJsonObject dump = Openpyxl::read(out);
    QCOMPARE(strings(dump.value(QStringLiteral("sheets"))),
             QStringList({QStringLiteral("打印模板 (3)"), QStringLiteral("打印模板 (2)"), QStringLiteral("打印模板"),
                          QStringLiteral("其它")}));
    QCOMPARE(dump.value(QStringLiteral("active")).toString(), QStringLiteral("打印模板 (2)"));
    const QJsonObject copied = sheetOf(dump, QStringLiteral("打印模板 (2)"));
    QCOMPARE(copied.value(QStringLiteral("printArea")), QJsonValue(QJsonValue::Null));
    QCOMPARE(cell(copied, QStringLiteral("C5")), QStringLiteral("只在副本"));
    QVERIFY(sheetOf(dump, QStringLiteral("打印模板 (3)")).value(QStringLiteral("printArea")).toString().contains(QStringLiteral("$A$1:$F$50")));
    QVERIFY(sheetOf(dump, QStringLiteral("打印模板")).value(QStringLiteral("printArea")).toString().contains(QStringLiteral("$A$1:$F$50")));
    QCOMPARE(copied.value(QStringLiteral("heights")), sheetOf(dump, QStringLiteral("打印模板")).value(QStringLiteral("heights")));

    // Showing one sheet alone hides the others.
    book.hideAllBut(source);
    QVERIFY(!book.isHidden(source) && book.isHidden(copy));
    book.saveAs(out);
    const QJsonObject hidden = Openpyxl::read(out);
    QCOMPARE(hidden.value(QStringLiteral("active")).toString(), QStringLiteral("打印模板"));
    for (const QString &name : strings(hidden.value(QStringLiteral("sheets"))))
        QCOMPARE(sheetOf(hidden, name).value(QStringLiteral("state")).toString(),
                 name == QStringLiteral("打印模板") ? QStringLiteral("visible") : QStringLiteral("hidden"));
}

void TestXlsxWorkbook::rowHeightsAndDefault()
{
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    XlsxSheet &sheet = book.sheet(1);
    QCOMPARE(sheet.rowHeight(5), 14.25);
    QCOMPARE(sheet.rowHeight(6), 20.0);
    QCOMPARE(sheet.rowHeight(8), sheet.defaultRowHeight());
    QCOMPARE(sheet.defaultRowHeight(), 15.0);
    sheet.setRowHeight(8, 33);
    sheet.setRowHeight(200, 12);
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, sheet.setRowHeight(9, -1));
    const QString out = path(QStringLiteral("heights.xlsx"));
    book.saveAs(out);
    const QJsonObject heights = sheetOf(Openpyxl::read(out), QStringLiteral("打印模板")).value(QStringLiteral("heights")).toObject();
    QCOMPARE(heights.value(QStringLiteral("8")).toDouble(), 33.0);
    QCOMPARE(heights.value(QStringLiteral("200")).toDouble(), 12.0);
    QCOMPARE(heights.value(QStringLiteral("5")).toDouble(), 14.25);
}

void TestXlsxWorkbook::marginsAndFooter()
{
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    XlsxSheet &sheet = book.sheet(1);
    QCOMPARE(sheet.margin(XlsxSheet::Margin::Left), 0.4);
    QCOMPARE(sheet.margin(XlsxSheet::Margin::Top), 0.55);
    XlsxSheet &plain = book.addSheetInFront(QStringLiteral("新表"));
    QCOMPARE(plain.rightFooter(), QString());
    plain.setMargin(XlsxSheet::Margin::Footer, 0.2);
    sheet.setMargin(XlsxSheet::Margin::Bottom, 1.25);
    sheet.setRightFooter(QStringLiteral("页码 &P"));
    plain.setRightFooter(QStringLiteral("页码 &P"));
    QCOMPARE(sheet.rightFooter(), QStringLiteral("页码 &P"));
    const QString out = path(QStringLiteral("margins.xlsx"));
    book.saveAs(out);
    const QJsonObject dump = Openpyxl::read(out);
    const QJsonObject s = sheetOf(dump, QStringLiteral("打印模板"));
    QCOMPARE(s.value(QStringLiteral("margins")).toArray().at(3).toDouble(), 1.25);
    QCOMPARE(s.value(QStringLiteral("margins")).toArray().at(0).toDouble(), 0.4);
    QCOMPARE(s.value(QStringLiteral("rightFooter")).toString(), QStringLiteral("页码 &P"));
    const QJsonObject p = sheetOf(dump, QStringLiteral("新表"));
    QCOMPARE(p.value(QStringLiteral("rightFooter")).toString(), QStringLiteral("页码 &P"));
    QCOMPARE(p.value(QStringLiteral("margins")).toArray().at(5).toDouble(), 0.2);
    // The left and centre parts of the footer stay.
    XlsxWorkbook again = XlsxWorkbook::open(out);
    Openpyxl::run(QStringLiteral("import sys, openpyxl\nws = openpyxl.load_workbook(sys.argv[1])['打印模板']\n"
                                 "assert ws.oddFooter.left.text == '左', ws.oddFooter.left.text\n"
                                 "assert ws.oddFooter.center.text == '中'\n"),
                  {out});
}

void TestXlsxWorkbook::newWorkbookForTableExport()
{
    XlsxWorkbook book = XlsxWorkbook::create();
    QCOMPARE(book.sheetNames(), QStringList{QStringLiteral("Sheet1")});
    XlsxSheet &first = book.addSheetInFront(QStringLiteral("高一01"));
    XlsxSheet &second = book.addSheetInFront(QStringLiteral("高一02"));
    second.formatAllCellsAsText();
    second.setCellText(1, 1, QStringLiteral("姓名"));
    second.setCellText(1, 2, QStringLiteral("id"));
    second.setCellText(2, 1, QStringLiteral("欧阳娜娜娜娜"));
    second.setCellText(2, 2, QStringLiteral("12345678901"));
    second.setCellText(3, 2, QStringLiteral("007"));
    second.autoFitColumns(QStringLiteral("A:B"));
    first.setCellText(1, 1, QStringLiteral("空表"));
    QVERIFY(second.columnWidth(1) > second.columnWidth(2)); // six CJK characters are wider than eleven digits
    QVERIFY(second.columnWidth(2) >= 11);
    book.activate(second);
    const QString out = path(QStringLiteral("tables.xlsx"));
    book.saveAs(out);

    const QJsonObject dump = Openpyxl::read(out);
    QCOMPARE(strings(dump.value(QStringLiteral("sheets"))),
             QStringList({QStringLiteral("高一02"), QStringLiteral("高一01"), QStringLiteral("Sheet1")}));
    QCOMPARE(dump.value(QStringLiteral("active")).toString(), QStringLiteral("高一02"));
    const QJsonObject s = sheetOf(dump, QStringLiteral("高一02"));
    QCOMPARE(cell(s, QStringLiteral("B3")), QStringLiteral("007"));
    for (const char *ref : {"A1", "B1", "A2", "B2", "B3"})
        QCOMPARE(s.value(QStringLiteral("formats")).toObject().value(QLatin1String(ref)).toString(), QStringLiteral("@"));
    QCOMPARE(s.value(QStringLiteral("columnFormats")).toObject().value(QStringLiteral("C")).toString(), QStringLiteral("@"));
    const QJsonObject widths = s.value(QStringLiteral("widths")).toObject();
    QCOMPARE(widths.value(QStringLiteral("A")).toDouble(), second.columnWidth(1));
    // Columns outside A:B keep the default width.
    QCOMPARE(widths.value(QStringLiteral("C")).toDouble(8.43), 8.43);
}

void TestXlsxWorkbook::sheetNamesSpreadsheetsRefuse()
{
    XlsxWorkbook book = XlsxWorkbook::create();
    for (const QString &bad : {QString(), QStringLiteral("a[1]"), QStringLiteral("x/y"), QStringLiteral("'引号'"),
                               QString(32, QChar(u'高'))})
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, book.addSheetInFront(bad));
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, book.addSheetInFront(QStringLiteral("sheet1")));
    book.addSheetInFront(QString(31, QChar(u'高')));
    QCOMPARE(book.sheetCount(), 2);

    // A rename is held to the same rules, and the print titles follow it.
    XlsxSheet &last = book.sheet(2);
    last.printAsList(2);
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, last.rename(QStringLiteral("a[1]")));
    QVERIFY_THROWS_EXCEPTION(SpreadsheetError, last.rename(QString(31, QChar(u'高'))));
    QCOMPARE(last.name(), QStringLiteral("Sheet1"));
    last.rename(QStringLiteral("问题 表"));
    QCOMPARE(book.sheetNames().value(1), QStringLiteral("问题 表"));
    QCOMPARE(last.printTitles(), QStringLiteral("'问题 表'!$1:$2"));
    QVERIFY(book.sheet(1).printTitles().isEmpty());
}

void TestXlsxWorkbook::damagedFilesGiveClearErrors_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"missing", "empty", "text", "truncated", "zip without workbook", "broken sheet XML",
                             "sheet part missing", "xls renamed"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestXlsxWorkbook::damagedFilesGiveClearErrors()
{
    QFETCH(QString, kind);
    const QString file = path(QStringLiteral("damaged-%1.xlsx").arg(kind).replace(QLatin1Char(' '), QLatin1Char('-')));
    QFile::remove(file);
    const auto write = [&](const QByteArray &bytes) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const auto rezip = [&](const QString &edit) {
        Openpyxl::run(QStringLiteral("import sys, zipfile\n"
                                     "src = zipfile.ZipFile(sys.argv[1])\n"
                                     "dst = zipfile.ZipFile(sys.argv[2], 'w')\n"
                                     "for item in src.infolist():\n"
                                     "    data = src.read(item.filename)\n")
                          + edit + QStringLiteral("\n"),
                      {m_fixture, file});
    };
    if (kind == QLatin1String("empty"))
        write(QByteArray());
    else if (kind == QLatin1String("text"))
        write("姓名,性别\n张三,男\n");
    else if (kind == QLatin1String("truncated"))
        write(fileBytes(m_fixture).left(fileBytes(m_fixture).size() / 2));
    else if (kind == QLatin1String("xls renamed"))
        write(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'));
    else if (kind == QLatin1String("zip without workbook"))
        rezip(QStringLiteral("    if 'workbook' not in item.filename: dst.writestr(item, data)"));
    else if (kind == QLatin1String("broken sheet XML"))
        rezip(QStringLiteral("    dst.writestr(item, data[:len(data)//2] if item.filename.endswith('sheet1.xml') else data)"));
    else if (kind == QLatin1String("sheet part missing"))
        rezip(QStringLiteral("    if not item.filename.endswith('sheet1.xml'): dst.writestr(item, data)"));

    try {
        XlsxWorkbook::open(file);
        QFAIL("opened a damaged file");
    } catch (const SpreadsheetError &e) {
        QVERIFY2(e.text().contains(file) || e.text().contains(QStringLiteral("sheet1.xml")), qPrintable(e.text()));
    }
}

void TestXlsxWorkbook::libreOfficeReadsWhatWeWrite()
{
    const SpreadsheetRenderer renderer;
    if (!renderer.isAvailable())
        QSKIP("LibreOffice is not installed");
    XlsxWorkbook book = XlsxWorkbook::open(m_fixture);
    XlsxSheet &source = book.sheet(QStringLiteral("打印模板"));
    XlsxSheet &copy = book.copySheetToFront(source);
    source.copyRange(QStringLiteral("F50:A1"), copy, QStringLiteral("F100:A51"));
    copy.setCellText(55, 3, QStringLiteral("李四"));
    copy.setRightFooter(QStringLiteral("页码 &P"));
    const QString out = path(QStringLiteral("for-libreoffice.xlsx"));
    book.saveAs(out);
    // The first sheet as CSV: LibreOffice must have read the cells where we put them.
    const QStringList csv = renderer.convert({out}, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"), m_dir.path());
    const QString text = QString::fromUtf8(fileBytes(csv.value(0)));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVERIFY2(lines.size() >= 55, qPrintable(text.left(200)));
    QVERIFY2(lines.at(54).startsWith(QStringLiteral("姓名,,李四")), qPrintable(lines.at(54)));
    QVERIFY(lines.at(50).startsWith(QStringLiteral("学生信息")));
}

void TestXlsxWorkbook::workbookWrittenByLibreOfficeCanBeEdited()
{
    const SpreadsheetRenderer renderer;
    if (!renderer.isAvailable())
        QSKIP("LibreOffice is not installed");
    QTemporaryDir lo;
    const QString input = lo.filePath(QStringLiteral("lo.xlsx"));
    // Through .ods and back, so that the .xlsx is LibreOffice's own writing.
    const QString ods = renderer.convert({m_fixture}, QStringLiteral("ods"), lo.path()).value(0);
    QFile::rename(renderer.convert({ods}, QStringLiteral("xlsx"), lo.path()).value(0), input);
    XlsxWorkbook book = XlsxWorkbook::open(input);
    XlsxSheet &source = book.sheet(QStringLiteral("打印模板"));
    QCOMPARE(source.cellText(5, 1), QStringLiteral("姓名"));
    QCOMPARE(source.rowHeight(5), 14.25);
    XlsxSheet &copy = book.copySheetToFront(source);
    source.copyRange(QStringLiteral("F50:A1"), copy, QStringLiteral("F100:A51"));
    copy.setCellText(55, 3, QStringLiteral("王五"));
    const QString out = path(QStringLiteral("lo-edited.xlsx"));
    book.saveAs(out);
    const QJsonObject s = sheetOf(Openpyxl::read(out), QStringLiteral("打印模板 (2)"));
    QCOMPARE(cell(s, QStringLiteral("C55")), QStringLiteral("王五"));
    QCOMPARE(cell(s, QStringLiteral("A51")), QStringLiteral("学生信息"));
    QVERIFY(strings(s.value(QStringLiteral("merged"))).contains(QStringLiteral("A51:F51")));
}

QTEST_GUILESS_MAIN(TestXlsxWorkbook)
#include "tst_xlsx_workbook.moc"
