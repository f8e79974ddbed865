// The pieces of the xlsx editor below the workbook: the shared string table
// and a workbook that has no styles part until a sheet needs a text format.
#include <QtTest>

#include "xlsx/xlsx_package.h"
#include "xlsx/xlsx_shared_strings.h"
#include "xlsx/xlsx_workbook.h"
#include "xlsx/xlsx_xml.h"

using XlsxXml::withDeclaration;

class TestXlsxParts : public QObject
{
    Q_OBJECT

private slots:
    void sharedStringsReuseOnlyPlainEntries();
    void textFormatAddsAStylesPartWhenThereIsNone();
};

void TestXlsxParts::sharedStringsReuseOnlyPlainEntries()
{
    XlsxSharedStrings strings;
    strings.load(withDeclaration("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"9\">"
                                 "<si><t>甲</t></si><si><r><rPr><b/></rPr><t>乙</t></r></si>"
                                 "<si><t xml:space=\"preserve\"> 丙</t></si></sst>"),
                 "xl/sharedStrings.xml");
    QCOMPARE(strings.text(1), QStringLiteral("乙"));
    QVERIFY(strings.text(3).isEmpty());
    QCOMPARE(strings.add("甲"), 0);
    QCOMPARE(strings.add(" 丙"), 2);
    // A rich entry reads as 乙 but is bold: plain 乙 gets an entry of its own, once.
    QCOMPARE(strings.add("乙"), 3);
    QCOMPARE(strings.add("乙"), 3);
    QCOMPARE(strings.add("丁 "), 4);

    // The count is the cells referring to the table, at least the entries.
    const std::string xml = strings.xml(3);
    QVERIFY(xml.find(" count=\"5\" uniqueCount=\"5\"") != std::string::npos);
    QVERIFY(xml.find("<si><r><rPr><b/></rPr><t>乙</t></r></si>") != std::string::npos);
    QVERIFY(xml.find("<si><t xml:space=\"preserve\">丁 </t></si></sst>") != std::string::npos);
    QVERIFY(strings.xml(12).find(" count=\"12\" uniqueCount=\"5\"") != std::string::npos);
}

void TestXlsxParts::textFormatAddsAStylesPartWhenThereIsNone()
{
    XlsxPackage package;
    package.setPart("[Content_Types].xml",
                    withDeclaration("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"));
    package.setPart("xl/workbook.xml",
                    withDeclaration("<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                    "<sheets><sheet name=\"表\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"));
    package.setPart("xl/_rels/workbook.xml.rels",
                    withDeclaration("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                                    "2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"));
    package.setPart("xl/worksheets/sheet1.xml",
                    withDeclaration("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                                    "<sheetData/></worksheet>"));
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.xlsx"));
    const std::string bytes = package.write();
    QFile file(in);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
    file.close();

    XlsxWorkbook book = XlsxWorkbook::open(in);
    XlsxSheet &sheet = book.sheet(1);
    sheet.setCellText(1, 1, QStringLiteral("007"));
    sheet.formatAllCellsAsText();
    const QString out = dir.filePath(QStringLiteral("out.xlsx"));
    book.saveAs(out);

    const XlsxPackage written = XlsxPackage::read(out);
    QVERIFY(written.part("xl/styles.xml").find("<xf numFmtId=\"49\"") != std::string::npos);
    QVERIFY(written.part("[Content_Types].xml").find("PartName=\"/xl/styles.xml\"") != std::string::npos);
    QVERIFY(written.part("xl/_rels/workbook.xml.rels").find("Target=\"styles.xml\"") != std::string::npos);
    QVERIFY(written.part("xl/worksheets/sheet1.xml").find("<c r=\"A1\" s=\"1\" t=\"s\">") != std::string::npos);
    QCOMPARE(XlsxWorkbook::open(out).sheet(1).cellText(1, 1), QStringLiteral("007"));
}

QTEST_GUILESS_MAIN(TestXlsxParts)
#include "tst_xlsx_parts.moc"
