// Reading sheets for the import from damaged and hostile files, made here byte
// by byte: a zip written by hand (so that sizes and CRCs can lie), worksheet
// XML written as text, .csv files cut across the reader's chunks.
#include <QtTest>

#include <zlib.h>

#include "core/import/sheet_rows.h"
#include "platform/app_error.h"
#include "platform/text_file.h"
#include "xlsx/xlsx_package.h"
#include "xlsx/xlsx_workbook.h"

namespace {

struct ZipEntry
{
    QByteArray name;
    QByteArray data;
    bool deflate = false;
    qint64 declaredSize = -1; // the unpacked size the zip states; -1: the true one
    QByteArray storedData;    // for a stored entry, bytes written in place of data (its CRC stays data's)
};

ZipEntry part(const QByteArray &name, const QByteArray &data, bool deflate = false)
{
    ZipEntry e;
    e.name = name;
    e.data = data;
    e.deflate = deflate;
    return e;
}

void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

QByteArray deflated(const QByteArray &data)
{
    QByteArray out(qsizetype(compressBound(uLong(data.size()))) + 64, '\0');
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

// A zip file as a spreadsheet program writes one, except where an entry says otherwise.
void writeZip(const QString &path, const QList<ZipEntry> &entries)
{
    QByteArray file;
    QByteArray central;
    for (const ZipEntry &e : entries) {
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(e.data.constData()), uInt(e.data.size())));
        const QByteArray body = e.deflate ? deflated(e.data) : (e.storedData.isNull() ? e.data : e.storedData);
        const quint32 size = quint32(e.declaredSize >= 0 ? e.declaredSize : e.data.size());
        auto header = [&](QByteArray &out, bool local) {
            put32(out, local ? 0x04034b50 : 0x02014b50);
            if (!local)
                put16(out, 20);
            put16(out, 20);
            put16(out, 0);
            put16(out, e.deflate ? 8 : 0);
            put16(out, 0);
            put16(out, 0x21);
            put32(out, crc);
            put32(out, quint32(body.size()));
            put32(out, size);
            put16(out, quint32(e.name.size()));
            put16(out, 0);
            if (!local) {
                put16(out, 0);
                put16(out, 0);
                put16(out, 0);
                put32(out, 0);
                put32(out, quint32(file.size()));
            }
            out += e.name;
        };
        header(central, false);
        header(file, true);
        file += body;
    }
    const quint32 centralAt = quint32(file.size());
    file += central;
    put32(file, 0x06054b50);
    put32(file, 0);
    put16(file, quint32(entries.size()));
    put16(file, quint32(entries.size()));
    put32(file, quint32(central.size()));
    put32(file, centralAt);
    put16(file, 0);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
}

QByteArray sheetXml(const QByteArray &rows)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<sheetData>" + rows + "</sheetData></worksheet>";
}

QByteArray inlineRow(int r, const QList<QByteArray> &texts)
{
    QByteArray row = "<row r=\"" + QByteArray::number(r) + "\">";
    for (const QByteArray &t : texts)
        row += "<c t=\"inlineStr\"><is><t>" + t + "</t></is></c>";
    return row + "</row>";
}

// The parts of a workbook of one sheet; sharedStrings, styles and a workbookPr when given.
QList<ZipEntry> workbook(const QByteArray &sheet, const QByteArray &sharedStrings = {}, const QByteArray &styles = {},
                         const QByteArray &workbookPr = {})
{
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
    const QByteArray type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    QByteArray rels = "<Relationships " + ns + "><Relationship Id=\"rId1\" Type=\"" + type
                      + "worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!sharedStrings.isEmpty())
        rels += "<Relationship Id=\"rId2\" Type=\"" + type + "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    if (!styles.isEmpty())
        rels += "<Relationship Id=\"rId3\" Type=\"" + type + "styles\" Target=\"styles.xml\"/>";
    QList<ZipEntry> parts{
        part("[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"),
        part("_rels/.rels", "<Relationships " + ns + "><Relationship Id=\"rId1\" Type=\"" + type
                                + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"),
        part("xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                    + workbookPr + "<sheets><sheet name=\"名单\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"),
        part("xl/_rels/workbook.xml.rels", rels + "</Relationships>"),
        part("xl/worksheets/sheet1.xml", sheet, true),
    };
    if (!sharedStrings.isEmpty())
        parts.append(part("xl/sharedStrings.xml", sharedStrings, true));
    if (!styles.isEmpty())
        parts.append(part("xl/styles.xml", styles));
    return parts;
}

QList<SheetRow> readAll(const QString &path)
{
    QList<SheetRow> rows;
    const auto reader = SheetRowsReader::open(path, QString());
    for (SheetRow row; reader->next(row);)
        rows << row;
    return rows;
}

// The text of the SpreadsheetError reading the file ends in; empty when it reads.
QString refusal(const QString &path)
{
    try {
        readAll(path);
    } catch (const SpreadsheetError &e) {
        return e.text();
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(ZipEntry)

class TestImportSheetReading : public QObject
{
    Q_OBJECT

private slots:
    void damagedPackagesAndHostileXmlAreRefused_data();
    void damagedPackagesAndHostileXmlAreRefused();
    void limitsAreRefusedBeforeMemoryRunsOut_data();
    void limitsAreRefusedBeforeMemoryRunsOut();
    void workbookDetailsAreHonoured();
    void csvIsReadAcrossChunkBoundaries();
    void csvSeparatorsAndUnpairedQuotes_data();
    void csvSeparatorsAndUnpairedQuotes();
    void packageEditorRefusesAFailingCrcToo();
    void editorAndImportWalkThePackageAlike();

private:
    QTemporaryDir m_dir;
};

void TestImportSheetReading::damagedPackagesAndHostileXmlAreRefused_data()
{
    QTest::addColumn<QList<ZipEntry>>("parts");
    QTest::addColumn<QString>("why");
    const QByteArray good = sheetXml(inlineRow(1, {"姓名", "出生日期"}) + inlineRow(2, {"张三", "20090315"}));
    QList<ZipEntry> parts = workbook(good);
    parts[4].deflate = false;
    QByteArray changed = good;
    changed.replace("20090315", "20090316"); // a digit changed in a stored part: its CRC-32 no longer fits
    parts[4].storedData = changed;
    QTest::newRow("stored part failing its CRC") << parts << QStringLiteral("sheet1.xml 已损坏");

    parts = workbook(good);
    parts[4].declaredSize = 600LL * 1024 * 1024;
    QTest::newRow("sheet declared to inflate to 600 MiB") << parts << QStringLiteral("超过了 512 MB 的上限");
    parts = workbook(sheetXml(QByteArray(2 * 1024 * 1024, ' ')));
    parts[4].declaredSize = 1000;
    QTest::newRow("sheet inflating past its declared size") << parts << QStringLiteral("已损坏");

    auto xml = [](const QByteArray &sheet) { return workbook(sheet); };
    QTest::newRow("DOCTYPE") << xml("<!DOCTYPE lol [<!ENTITY a \"aaaa\">]>" + sheetXml(inlineRow(1, {"&a;"})))
                             << QStringLiteral("DOCTYPE");
    QTest::newRow("cut off") << xml(sheetXml(inlineRow(1, {"姓名"})).left(150)) << QStringLiteral("XML 不完整");
    QTest::newRow("unknown entity") << xml(sheetXml(inlineRow(1, {"&nbsp;"}))) << QStringLiteral("未知的实体引用");
    QTest::newRow("a 9 MB attribute") << xml(sheetXml("<row r=\"" + QByteArray(9 * 1024 * 1024, '1') + "\"/>"))
                                      << QStringLiteral("超过 8 MB");
}

void TestImportSheetReading::damagedPackagesAndHostileXmlAreRefused()
{
    QFETCH(QList<ZipEntry>, parts);
    QFETCH(QString, why);
    const QString path = m_dir.filePath(QStringLiteral("坏.xlsx"));
    writeZip(path, parts);
    const QString text = refusal(path);
    QVERIFY2(text.contains(why), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("再导入")), qPrintable(text)); // says what to do
}

void TestImportSheetReading::limitsAreRefusedBeforeMemoryRunsOut_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    auto xlsx = [&](const QString &name, const QList<ZipEntry> &parts) {
        writeZip(m_dir.filePath(name), parts);
        return name;
    };
    auto csv = [&](const QString &name, const QByteArray &bytes) {
        QFile file(m_dir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return name;
    };

    // A cell in column XFD on 10,000 rows: refused at the first, not padded to 16,384 cells.
    QByteArray rows = inlineRow(1, {"姓名"});
    for (int r = 2; r <= 10000; ++r)
        rows += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"XFD" + QByteArray::number(r)
                + "\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
    QTest::newRow("column XFD") << xlsx(QStringLiteral("xfd.xlsx"), workbook(sheetXml(rows)))
                                << QStringLiteral("单元格 XFD2 超出了可导入的 256 列");

    // One shared string used by 10,000 cells: of 1 MB, or of 30,000 characters.
    QByteArray cells = inlineRow(1, {"姓名"});
    for (int r = 2; r <= 10001; ++r)
        cells += "<row r=\"" + QByteArray::number(r) + "\"><c t=\"s\"><v>0</v></c></row>";
    const QByteArray sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>";
    QTest::newRow("1 MB shared string")
        << xlsx(QStringLiteral("sst1.xlsx"), workbook(sheetXml(cells), sst + QByteArray(1024 * 1024, 'a') + "</t></si></sst>"))
        << QStringLiteral("共享文字第 1 项超过了 32767 个字符");
    QTest::newRow("30,000 characters in 10,000 cells")
        << xlsx(QStringLiteral("sst2.xlsx"), workbook(sheetXml(cells), sst + QByteArray(30000, 'a') + "</t></si></sst>"))
        << QStringLiteral("单元格合计超过 4000 万个字符");

    QByteArray many = inlineRow(1, {"姓名"});
    for (int r = 2; r <= SheetLimits::MaxRows + 1; ++r)
        many += "<row><c t=\"inlineStr\"><is><t>x</t></is></c></row>";
    QTest::newRow("rows") << xlsx(QStringLiteral("rows.xlsx"), workbook(sheetXml(many))) << QStringLiteral("超过 250000 行");

    const QString huge = csv(QStringLiteral("4G.csv"), "姓名\r\n");
    QFile sparse(m_dir.filePath(huge));
    QVERIFY(sparse.resize(4LL * 1024 * 1024 * 1024)); // a sparse file: no disk is used
    QTest::newRow("4 GiB csv") << huge << QStringLiteral("超过了可导入文件 100 MB 的上限");
    QTest::newRow("1 MB csv field") << csv(QStringLiteral("field.csv"), "姓名,家庭地址\r\n张三," + QByteArray(1024 * 1024, 'x'))
                                    << QStringLiteral("单元格 B2 超过了 32767 个字符");
    QTest::newRow("csv column 300") << csv(QStringLiteral("wide.csv"), "姓名\r\n张三" + QByteArray(299, ',') + "x\r\n")
                                    << QStringLiteral("单元格 KN2 超出了可导入的 256 列");
}

void TestImportSheetReading::limitsAreRefusedBeforeMemoryRunsOut()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    const QString text = refusal(m_dir.filePath(name));
    QVERIFY2(text.contains(why), qPrintable(text));
}

void TestImportSheetReading::workbookDetailsAreHonoured()
{
    // The 1904 date system, prefixed names, rich and phonetic runs, entities,
    // CDATA, comments, an empty styled cell far right, rows and cells without r.
    const QDate born(2008, 3, 15);
    const QByteArray serial1904 = QByteArray::number(QDate(1904, 1, 1).daysTo(born));
    const QByteArray sheet =
        "<?xml version=\"1.0\"?><x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<x:sheetData><x:row r=\"1\"><x:c t=\"inlineStr\"><x:is><x:t><![CDATA[姓名]]></x:t></x:is></x:c>"
        "<x:c t=\"inlineStr\"><x:is><x:t>出生日期</x:t></x:is></x:c></x:row><!-- a note -->"
        "<x:row r=\"2\"><x:c r=\"A2\" t=\"s\"><x:v>0</x:v></x:c><x:c r=\"B2\" s=\"1\"><x:v>" + serial1904 + "</x:v></x:c>"
        "<x:c r=\"C2\" t=\"s\"><x:v>1</x:v></x:c><x:c r=\"XFD2\" s=\"1\"/></x:row><?pi skipped?>"
        "<x:row><x:c><x:v>4.40606199003152E+17</x:v></x:c><x:c t=\"b\"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>";
    const QByteArray sst = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                           "<si><r><t>张</t></r><r><rPr><b/></rPr><t>三</t></r><rPh sb=\"0\" eb=\"1\"><t>ちょう</t></rPh></si>"
                           "<si><t>_x0041_&amp;&#x4E2D;&lt;</t></si></sst>";
    const QByteArray styles = "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><cellXfs>"
                              "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
    const QString path = m_dir.filePath(QStringLiteral("1904.xlsx"));
    writeZip(path, workbook(sheet, sst, styles, "<workbookPr date1904=\"1\"/>"));
    const QList<SheetRow> rows = readAll(path);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].cells[0].text, QStringLiteral("姓名"));
    QCOMPARE(rows[1].cells.size(), 3);
    QCOMPARE(rows[1].cells[0].text, QStringLiteral("张三"));
    QCOMPARE(rows[1].cells[1].kind, SheetCell::Kind::Date);
    QCOMPARE(rows[1].cells[1].date, born);
    QCOMPARE(rows[1].cells[2].text, QStringLiteral("A&中<"));
    QCOMPARE(rows[2].number, 3);
    QCOMPARE(rows[2].cells[0].text, QStringLiteral("4.40606199003152E+17"));
    QCOMPARE(rows[2].cells[1].text, QStringLiteral("TRUE"));

    // The 1900 system counts a 1900-02-29 that never was.
    QCOMPARE(SheetRowsReader::dateOfSerial(QDate(1899, 12, 30).daysTo(born)), born);
    QCOMPARE(SheetRowsReader::dateOfSerial(1), QDate(1900, 1, 1));
    QVERIFY(!SheetRowsReader::dateOfSerial(60).isValid());
    QVERIFY(!SheetRowsReader::dateOfSerial(1e300).isValid());
}

void TestImportSheetReading::csvIsReadAcrossChunkBoundaries()
{
    // The reader decodes 256 KiB at a time: a GBK character, a doubled quote
    // and a CRLF each fall across one of those boundaries.
    constexpr qsizetype Chunk = 256 * 1024;
    QByteArray data = TextFile::encodeGb18030(QStringLiteral("姓名,备注\r\n"));
    auto fillTo = [&](qsizetype at) {
        while (data.size() < at - 300)
            data += "f," + QByteArray(200, 'x') + "\r\n";
        data += "f," + QByteArray(at - data.size() - 4, 'x') + "\r\n";
    };
    fillTo(Chunk - 3);
    data += TextFile::encodeGb18030(QStringLiteral("学生甲,\"说\"\"明\"\r\n"));
    fillTo(2 * Chunk - 5);
    data += TextFile::encodeGb18030(QStringLiteral("乙,\"a\"\"b\"\r\n"));
    fillTo(3 * Chunk - 4);
    data += TextFile::encodeGb18030(QStringLiteral("丙,c\r\n丁,d"));
    const QString path = m_dir.filePath(QStringLiteral("跨块.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();

    QHash<QString, SheetRow> byName;
    for (const SheetRow &row : readAll(path))
        byName.insert(row.cells.value(0).text, row);
    QCOMPARE(byName.value(QStringLiteral("学生甲")).cells.value(1).text, QStringLiteral("说\"明"));
    QCOMPARE(byName.value(QStringLiteral("乙")).cells.value(1).text, QStringLiteral("a\"b"));
    QCOMPARE(byName.value(QStringLiteral("丙")).cells.value(1).text, QStringLiteral("c"));
    QCOMPARE(byName.value(QStringLiteral("丁")).number, byName.value(QStringLiteral("丙")).number + 1);
    QCOMPARE(byName.value(QStringLiteral("丁")).cells.value(1).text, QStringLiteral("d"));
}
void TestImportSheetReading::csvSeparatorsAndUnpairedQuotes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");     // the refusal; empty when the file reads
    QTest::addColumn<QStringList>("last"); // the last row's cells
    // The line counts the break inside the quoted 备注 of line 2.
    QTest::newRow("quote never closed")
        << QByteArray("姓名,备注\r\n张三,\"两\r\n行\"\r\n李四,\"没有配对\r\n王五,x\r\n")
        << QStringLiteral("第 4 行的引号没有配对") << QStringList();
    QTest::newRow("stray quote in a field") << QByteArray("姓名,身高\n张三,5\"6\n") << QStringLiteral("第 2 行的引号没有配对")
                                            << QStringList();
    QTest::newRow("tabs, a comma inside a field")
        << QByteArray("\n姓名\t家庭地址\n张三\t广东省,佛山市\n") << QString() << QStringList{"张三", "广东省,佛山市"};
    QTest::newRow("comma, a tab and a ; inside quotes")
        << QByteArray("\"姓名\t;\",家庭地址\r\n张三,a\tb;c") << QString() << QStringList{"张三", "a\tb;c"};
    QTest::newRow("bars") << QByteArray("姓名|性别\n") << QStringLiteral("标题行用“|”分隔各列") << QStringList();
}

void TestImportSheetReading::csvSeparatorsAndUnpairedQuotes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    QFETCH(QStringList, last);
    const QString path = m_dir.filePath(QStringLiteral("分隔.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    const QString text = refusal(path);
    QVERIFY2(why.isEmpty() ? text.isEmpty() : text.contains(why), qPrintable(text));
    if (!why.isEmpty()) {
        QVERIFY2(text.contains(QStringLiteral("再导入")), qPrintable(text)); // says what to do
        return;
    }
    const QList<SheetRow> rows = readAll(path);
    QStringList cells;
    for (const SheetCell &cell : rows.last().cells)
        cells << cell.text;
    QCOMPARE(cells, last);
}

void TestImportSheetReading::packageEditorRefusesAFailingCrcToo()
{
    // The editor of the print template and the exports reads whole parts; a
    // stored part whose bytes changed is refused there as well.
    QList<ZipEntry> parts = workbook(sheetXml(inlineRow(1, {"20090315"})));
    parts[4].deflate = false;
    const QString path = m_dir.filePath(QStringLiteral("模板.xlsx"));
    writeZip(path, parts);
    QCOMPARE(XlsxPackage::read(path).part("xl/worksheets/sheet1.xml").size(), size_t(parts[4].data.size()));
    parts[4].storedData = QByteArray(parts[4].data).replace("20090315", "20090316");
    writeZip(path, parts);
    try {
        XlsxPackage::read(path);
        QFAIL("a part failing its CRC should be refused");
    } catch (const SpreadsheetError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("CRC")), qPrintable(e.text()));
    }
}

void TestImportSheetReading::editorAndImportWalkThePackageAlike()
{
    // The workbook part where the root relationships say (not xl/workbook.xml),
    // targets relative to it, a chart sheet before the worksheet.
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
    const QByteArray type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const QList<ZipEntry> parts{
        part("[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"),
        part("_rels/.rels", "<Relationships " + ns + "><Relationship Id=\"rId1\" Type=\"" + type
                                + "officeDocument\" Target=\"/book/main.xml\"/></Relationships>"),
        part("book/main.xml", "<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                              "xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><x:sheets>"
                              "<x:sheet name=\"图表\" sheetId=\"1\" rel:id=\"c\"/><x:sheet name=\"名单\" sheetId=\"2\" rel:id=\"w\"/>"
                              "</x:sheets></x:workbook>"),
        part("book/_rels/main.xml.rels", "<Relationships " + ns + "><Relationship Id=\"c\" Type=\"" + type
                                             + "chartsheet\" Target=\"../charts/c1.xml\"/><Relationship Id=\"w\" Type=\""
                                             + type + "worksheet\" Target=\"../sheets/w1.xml\"/></Relationships>"),
        part("charts/c1.xml", "<chartsheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>"),
        part("sheets/w1.xml", sheetXml(inlineRow(1, {"姓名"}) + inlineRow(2, {"张三"}))),
    };
    const QString path = m_dir.filePath(QStringLiteral("走法.xlsx"));
    writeZip(path, parts);
    const auto reader = SheetRowsReader::open(path, QString());
    QCOMPARE(reader->sheetName(), QStringLiteral("名单"));
    SheetRow row;
    QVERIFY(reader->next(row) && reader->next(row));
    QCOMPARE(row.cells.value(0).text, QStringLiteral("张三"));
    XlsxWorkbook book = XlsxWorkbook::open(path);
    QCOMPARE(book.sheetNames(), QStringList({QStringLiteral("图表"), QStringLiteral("名单")}));
    QCOMPARE(book.sheet(QStringLiteral("名单")).cellText(2, 1), QStringLiteral("张三"));
}

QTEST_GUILESS_MAIN(TestImportSheetReading)
#include "tst_import_sheet_reading.moc"
