// The exports written as a stream: every student's block of the multi-person
// export read back by openpyxl for a class and for a whole year group, the
// whole year group printed by LibreOffice one page per student, and the zip
// writer underneath them.
#include <fcntl.h>
#include <unistd.h>

#include <QtTest>

#include "core/operations/export_tables.h"
#include "core/operations/fill_template_sheet.h"
#include "core/operations/print_template_geometry.h"
#include "core/operations/template_printing.h"
#include "openpyxl.h"
#include "platform/app_error.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/transaction.h"
#include "print_test_support.h"
#include "xlsx/xlsx_package.h"
#include "xlsx/xlsx_sheet_stream.h"
#include "xlsx/xlsx_workbook.h"
#include "xlsx/xlsx_zip_stream.h"

namespace {

const QString Table = QStringLiteral("高一01");
// Long enough to wrap onto several lines of its cell.
const QString LongAddress = QStringLiteral("广东省佛山市南海区桂城街道南海大道北八十八号怡翠世嘉花园三期十二座二单元一千八百零八房");

// Checks every block of the export sheet against the template: the labels,
// the student's name in C5 (names in file order, one a line in argv[3]), the
// long address in C22 for every third student, the merged areas, the heights
// (the template's, the address row grown where the address is long), a page
// break below every block but the last. Prints the number of blocks and the
// first faults found.
const char *CheckBlocks = R"PY(
import sys, json, openpyxl
out, tpl, names_file, address = sys.argv[1:5]
names = open(names_file, encoding='utf-8').read().split('\n')
ws = openpyxl.load_workbook(out).worksheets[0]
t = openpyxl.load_workbook(tpl)['打印模板']
values = {}
for row in ws.iter_rows():
    for c in row:
        if c.value is not None:
            values[(c.row, c.column)] = c.value
labels = {(c.row, c.column): c.value for row in t.iter_rows(min_row=1, max_row=50) for c in row
          if c.value is not None and c.column not in (3, 6)}
heights = {r: round(t.row_dimensions[r].height or 15) for r in range(1, 51)}
merges = set(str(m) for m in ws.merged_cells.ranges)
tmerges = [m for m in t.merged_cells.ranges]
breaks = [b.id for b in ws.row_breaks.brk]
faults = []
blocks = ws.max_row // 50
for k in range(blocks):
    base = 50 * k
    for (r, c), v in labels.items():
        if values.get((base + r, c)) != v:
            faults.append('block %d: label at row %d column %d is %r' % (k, r, c, values.get((base + r, c))))
    if values.get((base + 5, 3)) != names[k]:
        faults.append('block %d: name %r, not %r' % (k, values.get((base + 5, 3)), names[k]))
    long = k % 3 == 0
    if values.get((base + 22, 3)) != (address if long else '现住址值'):
        faults.append('block %d: address %r' % (k, values.get((base + 22, 3))))
    for r in range(1, 51):
        h = ws.row_dimensions[base + r].height
        grown = long and r == 22
        if (h <= heights[r]) if grown else (h != heights[r]):
            faults.append('block %d: row %d is %r high, the template %r' % (k, r, h, heights[r]))
    for m in tmerges:
        moved = '%s%d:%s%d' % (m.coord.split(':')[0].rstrip('0123456789'), m.min_row + base,
                               m.coord.split(':')[1].rstrip('0123456789'), m.max_row + base)
        if moved not in merges:
            faults.append('block %d: no merged area %s' % (k, moved))
if len(merges) != blocks * len(tmerges):
    faults.append('%d merged areas' % len(merges))
if breaks != [50 * (k + 1) for k in range(blocks - 1)]:
    faults.append('page breaks %r' % breaks[:5])
print(json.dumps({'blocks': blocks, 'faults': faults[:10]}, ensure_ascii=False))
)PY";

// One copy of a template block at a given row, as the whole of a sheet's rows.
class OneBlock : public XlsxSheetStream
{
public:
    OneBlock(XlsxBlockTemplate &block, int firstRow, const std::vector<QString> &texts)
        : m_block(block), m_first(firstRow), m_texts(texts)
    {
    }
    std::string dimension() const override { return "A1"; }
    long long mergeCount() const override { return m_block.mergeCount(); }
    long long breakCount() const override { return 0; }
    void writeRows(XlsxZipStream &out, const std::string &) override { m_block.appendRows(out.buffer(), m_first, m_texts); }
    void writeMerges(XlsxZipStream &out, const std::string &) override { m_block.appendMerges(out.buffer(), m_first); }
    void writeBreaks(XlsxZipStream &, const std::string &) override {}
    long long sharedStringReferences() const override { return m_block.sharedReferences() + m_block.slotSharedReferences(); }

private:
    XlsxBlockTemplate &m_block;
    int m_first;
    std::vector<QString> m_texts;
};

QJsonObject sheetOf(const QJsonObject &dump, const QString &name)
{
    return dump.value(QStringLiteral("sheet")).toObject().value(name).toObject();
}

// The cells, formats, heights and merged areas of rows from `firstRow` on.
QJsonObject rowsFrom(const QJsonObject &sheet, int firstRow)
{
    auto below = [firstRow](const QString &ref) {
        const qsizetype digits = ref.indexOf(QRegularExpression(QStringLiteral("[0-9]")));
        return ref.mid(digits).toInt() >= firstRow;
    };
    QJsonObject out;
    for (const char *part : {"cells", "styles", "formats"}) {
        QJsonObject kept;
        const QJsonObject all = sheet.value(QLatin1String(part)).toObject();
        for (auto it = all.begin(); it != all.end(); ++it) {
            if (below(it.key()))
                kept.insert(it.key(), it.value());
        }
        out.insert(QLatin1String(part), kept);
    }
    QJsonObject heights;
    const QJsonObject allHeights = sheet.value(QStringLiteral("heights")).toObject();
    for (auto it = allHeights.begin(); it != allHeights.end(); ++it) {
        if (it.key().toInt() >= firstRow)
            heights.insert(it.key(), it.value());
    }
    out.insert(QStringLiteral("heights"), heights);
    QStringList merged;
    for (const QJsonValue &m : sheet.value(QStringLiteral("merged")).toArray()) {
        if (below(m.toString()))
            merged << m.toString();
    }
    merged.sort();
    out.insert(QStringLiteral("merged"), QJsonArray::fromStringList(merged));
    return out;
}

} // namespace

class TestStreamExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyBlockReadsBack_data();
    void everyBlockReadsBack();
    void yearGroupPrintsOnePagePerStudent();
    void streamedBlockMatchesTheEditedOne();
    void tableValuesKeepTheirText();
    void zipPartsReadBackWhole();
    void zipWriteFailureIsReported();

private:
    struct Export
    {
        QString file;
        QStringList names; // in the file's order
    };
    // Exports `students` students (every third with a long address) into a file of the folder.
    static Export exportStudents(TestEnv &env, int students, const QString &file);
};

void TestStreamExport::initTestCase()
{
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to check the files");
}

TestStreamExport::Export TestStreamExport::exportStudents(TestEnv &env, int students, const QString &file)
{
    QFile::copy(defaultTemplate(), env.path(QStringLiteral("Template.xlsx")));
    env.createClassTable(Table);
    QStringList items;
    Export made;
    {
        Transaction transaction(*env.db);
        for (int i = 0; i < students; ++i) {
            // Names sort as they are made; the export orders by name.
            const QString name = QStringLiteral("学生%1").arg(i, 5, 10, QLatin1Char('0'));
            QMap<QString, QString> values{{QStringLiteral("姓名"), name}};
            if (i % 3 == 0)
                values.insert(QStringLiteral("现住址"), LongAddress);
            items << recordItem(addStudent(env, Table, values), name);
            made.names << name;
        }
        transaction.commit();
    }
    const SpreadsheetRenderer renderer;
    TemplatePrinting printing(*env.db, env.services, renderer);
    made.file = env.path(file);
    const WorkbookExport outcome = printing.exportStudents(Table, items, made.file);
    if (outcome.outcome != WorkbookExport::Outcome::Written || outcome.done != students)
        qFatal("the export wrote %d of %d students", outcome.done, students);
    return made;
}

void TestStreamExport::everyBlockReadsBack_data()
{
    QTest::addColumn<int>("students");
    QTest::newRow("a class") << 3;
    QTest::newRow("a year group") << 2000;
}

void TestStreamExport::everyBlockReadsBack()
{
    QFETCH(int, students);
    TestEnv env;
    const Export made = exportStudents(env, students, QStringLiteral("blocks.xlsx"));
    const QString names = env.path(QStringLiteral("names.txt"));
    QFile list(names);
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(made.names.join(QLatin1Char('\n')).toUtf8());
    list.close();

    const QJsonObject result = QJsonDocument::fromJson(
        Openpyxl::run(QString::fromUtf8(CheckBlocks), {made.file, defaultTemplate(), names, LongAddress})).object();
    QCOMPARE(result.value(QStringLiteral("faults")).toArray(), QJsonArray());
    QCOMPARE(result.value(QStringLiteral("blocks")).toInt(), students);
}

void TestStreamExport::yearGroupPrintsOnePagePerStudent()
{
    const SpreadsheetRenderer renderer;
    if (!renderer.isAvailable())
        QSKIP("LibreOffice is not installed");
    TestEnv env;
    const Export made = exportStudents(env, 2000, QStringLiteral("year.xlsx"));
    const QString pdf = renderer.renderPdf(made.file, env.dir.path());
    if (qEnvironmentVariableIsSet("TAVRO_KEEP_PDF"))
        QFile::copy(pdf, qEnvironmentVariable("TAVRO_KEEP_PDF"));
    const QByteArray bytes = readFile(pdf);
    QCOMPARE(pdfPageCount(bytes), 2000);
    const QString text = pdfText(bytes);
    if (!text.isNull()) {
        const QStringList pages = text.split(QLatin1Char('\f'));
        for (int k : {0, 1, 999, 1999}) {
            QVERIFY2(pages[k].contains(made.names[k]) && pages[k].contains(QStringLiteral("页码 %1").arg(k + 1)),
                     qPrintable(pages[k].left(200)));
        }
    }
}

// The block the stream writes holds what the editor's block copy, filled and
// grown, holds: texts (a long one, an empty one, the class code's two cells),
// formats, heights and merged areas.
void TestStreamExport::streamedBlockMatchesTheEditedOne()
{
    TestEnv env;
    env.createClassTable(Table);
    addStudent(env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}, {QStringLiteral("现住址"), LongAddress},
                            {QStringLiteral("民族"), QString()}, {QStringLiteral("班号"), QStringLiteral("2015301")}});
    const QueryResult row = env.db->query(QStringLiteral("select * from ") + Table);
    const QString sheetName = QStringLiteral("打印模板");
    using PrintTemplateGeometry::blockRange;

    XlsxWorkbook edited = XlsxWorkbook::open(defaultTemplate());
    XlsxSheet &source = edited.sheet(sheetName);
    source.copyRange(blockRange(1), source, blockRange(51));
    for (int i = 0; i < 50; ++i)
        source.setRowHeight(51 + i, source.rowHeight(1 + i));
    FillTemplateSheet(row, 0, source, 51);
    const QString editedFile = env.path(QStringLiteral("edited.xlsx"));
    edited.saveAs(editedFile);

    XlsxWorkbook streamed = XlsxWorkbook::open(defaultTemplate());
    XlsxSheet &sheet = streamed.sheet(sheetName);
    XlsxBlockTemplate block(sheet, 1, 50, TemplateValues::cells());
    std::vector<QString> texts;
    TemplateValues(row).read(0, texts);
    OneBlock stream(block, 51, texts);
    const QString streamedFile = env.path(QStringLiteral("streamed.xlsx"));
    streamed.saveStreaming(streamedFile, AtomicFile::Existing::Keep, {{&sheet, &stream}});

    const QJsonObject expected = rowsFrom(sheetOf(Openpyxl::read(editedFile), sheetName), 51);
    const QJsonObject actual = rowsFrom(sheetOf(Openpyxl::read(streamedFile), sheetName), 51);
    QCOMPARE(actual.value(QStringLiteral("cells")).toObject().value(QStringLiteral("C72")).toString(), LongAddress);
    QVERIFY(actual.value(QStringLiteral("heights")).toObject().value(QStringLiteral("72")).toDouble() > 20);
    for (const char *part : {"cells", "styles", "formats", "heights", "merged"})
        QCOMPARE(actual.value(QLatin1String(part)), expected.value(QLatin1String(part)));
}

// Values written inline keep blanks at their ends, line breaks and markup
// characters; an empty value leaves no cell.
void TestStreamExport::tableValuesKeepTheirText()
{
    TestEnv env;
    env.createClassTable(Table);
    const QMap<QString, QString> odd{{QStringLiteral("姓名"), QStringLiteral("  张三 ")},
                                     {QStringLiteral("现住址"), QStringLiteral("A&B <c> \"d\"\n第二行")},
                                     {QStringLiteral("家庭地址"), QString()}};
    addStudent(env, Table, odd);
    ExportTablesToSheets exporter(*env.db, env.services);
    const QString file = env.path(QStringLiteral("tables.xlsx"));
    QCOMPARE(exporter.run({Table}, ExportTablesToSheets::Structure::Init2, file).outcome, WorkbookExport::Outcome::Written);

    const QJsonObject sheet = Openpyxl::read(file).value(QStringLiteral("sheet")).toObject().value(Table).toObject();
    const QJsonObject cells = sheet.value(QStringLiteral("cells")).toObject();
    QHash<QString, QString> byColumn; // header text -> row 2's value
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        if (it.key().endsWith(QLatin1String("1"))) {
            const QString letters = it.key().chopped(1);
            byColumn.insert(it.value().toString(), cells.value(letters + QLatin1Char('2')).toString(QStringLiteral("<none>")));
        }
    }
    for (auto it = odd.begin(); it != odd.end(); ++it)
        QCOMPARE(byColumn.value(it.key()), it.value().isNull() ? QStringLiteral("<none>") : it.value());
    QCOMPARE(sheet.value(QStringLiteral("formats")).toObject().value(QStringLiteral("A2")).toString(), QStringLiteral("@"));
}

void TestStreamExport::zipPartsReadBackWhole()
{
    // A part of many chunks (texts that do not repeat, so that deflate works),
    // an empty one and a small one, at two levels.
    std::string big;
    for (int i = 0; big.size() < 3 * XlsxZipStream::ChunkBytes + 1234; ++i)
        big += "<row r=\"" + std::to_string(i * 7919 % 100003) + "\">";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("parts.zip"));
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        XlsxZipStream zip(fd, path);
        zip.beginPart("xl/worksheets/sheet1.xml", 1);
        for (size_t at = 0; at < big.size(); at += 1000)
            zip.write(std::string_view(big).substr(at, 1000));
        zip.endPart();
        zip.addPart("empty.xml", std::string(), 6);
        zip.addPart("[Content_Types].xml", "<Types/>", 6);
        zip.finish();
        ::close(fd);
    }
    const XlsxPackage package = XlsxPackage::read(path); // checks the zip's consistency as it reads
    QCOMPARE(package.parts().size(), size_t(3));
    QVERIFY(package.part("xl/worksheets/sheet1.xml") == big);
    QVERIFY(package.contains("empty.xml") && package.part("empty.xml").empty());
    QVERIFY(package.part("[Content_Types].xml") == "<Types/>");
    // Python's zip reader checks every CRC.
    QCOMPARE(Openpyxl::run(QStringLiteral("import sys, zipfile\nprint(zipfile.ZipFile(sys.argv[1]).testzip())"), {path}).trimmed(),
             QByteArray("None"));
}

void TestStreamExport::zipWriteFailureIsReported()
{
    // A full disk: the failure comes back to the producer, as a FileError naming the file.
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd < 0)
        QSKIP("/dev/full is missing");
    bool reported = false;
    try {
        XlsxZipStream zip(fd, QStringLiteral("/dev/full"));
        zip.beginPart("a.xml", 1);
        for (int i = 0; i < 64; ++i)
            zip.write(std::string(XlsxZipStream::ChunkBytes, 'x'));
        zip.endPart();
        zip.finish();
    } catch (const FileError &e) {
        reported = e.text().contains(QStringLiteral("/dev/full"));
    }
    ::close(fd);
    QVERIFY(reported);
}

QTEST_GUILESS_MAIN(TestStreamExport)
#include "tst_stream_export.moc"
