// The row writer of streamed sheets: what it writes is read back by the xlsx editor.
#include <QtTest>

#include "xlsx/xlsx_cell_text.h"
#include "xlsx/xlsx_row_writer.h"
#include "xlsx/xlsx_sheet_stream.h"
#include "xlsx/xlsx_workbook.h"
#include "xlsx/xlsx_zip_stream.h"

namespace {

// Row 1 a heading through the shared strings; row 2 texts (one empty); row 3
// only empty texts; row 4 a cell far right.
class SampleRows final : public XlsxSheetStream
{
public:
    std::string dimension() const override { return "A1:AB4"; }
    long long mergeCount() const override { return 0; }
    long long breakCount() const override { return 0; }
    void writeRows(XlsxZipStream &out, const std::string &prefix) override
    {
        XlsxRowWriter writer(*m_sheet, prefix);
        std::string &b = out.buffer();
        writer.sharedTextCell(b, 1, 1, m_style, XlsxXml::encodeCellText(QStringLiteral("姓名")));
        writer.textCell(b, 2, 1, m_style, XlsxXml::encodeCellText(QStringLiteral(" 张三 ")));
        writer.textCell(b, 2, 2, -1, XlsxXml::encodeCellText(QStringLiteral("_x0041_\t")));
        writer.textCell(b, 2, 3, -1, std::string());
        writer.textCell(b, 3, 1, -1, std::string());
        writer.textCell(b, 4, 28, -1, XlsxXml::encodeCellText(QStringLiteral("A&B <c>")));
        writer.endRow(b);
        m_shared = writer.sharedReferences();
    }
    void writeMerges(XlsxZipStream &, const std::string &) override {}
    void writeBreaks(XlsxZipStream &, const std::string &) override {}
    long long sharedStringReferences() const override { return m_shared; }
    void prepare(XlsxSheet &sheet) override
    {
        m_sheet = &sheet;
        sheet.formatAllCellsAsText();
        m_style = sheet.newCellStyle(1);
    }

    XlsxSheet *m_sheet = nullptr;
    int m_style = -1;
    long long m_shared = 0;
};

} // namespace

class TestXlsxRowWriter : public QObject
{
    Q_OBJECT

private slots:
    void rowsReadBackCellForCell();
};

void TestXlsxRowWriter::rowsReadBackCellForCell()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rows.xlsx"));
    XlsxWorkbook book = XlsxWorkbook::create();
    SampleRows rows;
    book.saveStreaming(path, AtomicFile::Existing::Replace, {{&book.sheet(1), &rows}});
    QCOMPARE(rows.m_shared, 2); // the heading and the text holding an escape's look

    XlsxWorkbook back = XlsxWorkbook::open(path);
    XlsxSheet &sheet = back.sheet(1);
    QCOMPARE(sheet.cellText(1, 1), QStringLiteral("姓名"));
    QCOMPARE(sheet.cellText(2, 1), QStringLiteral(" 张三 "));
    QCOMPARE(sheet.cellText(2, 2), QStringLiteral("_x0041_\t"));
    QVERIFY(!sheet.hasCell(2, 3));
    QVERIFY(!sheet.hasCell(3, 1));
    QCOMPARE(sheet.cellText(4, 28), QStringLiteral("A&B <c>"));
}

QTEST_GUILESS_MAIN(TestXlsxRowWriter)
#include "tst_xlsx_row_writer.moc"
