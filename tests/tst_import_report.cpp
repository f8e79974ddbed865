// The import's problem report as a workbook meant for paper: read back by
// openpyxl and rendered to PDF by LibreOffice.
#include <QtTest>

#include <QJsonArray>

#include "core/import/class_import.h"
#include "openpyxl.h"
#include "platform/spreadsheet_renderer.h"
#include "print_test_support.h"
#include "xlsx/xlsx_sheet.h"

namespace {

const QString IdNumber = QStringLiteral("440606200903151234");
const QString LongAddress = QStringLiteral("广东省佛山市顺德区大良街道办事处云路社区居民委员会新城区锦绣花园二期十八栋三单元一千二百零一室");

// A plan of `count` rows left out, each with a name, an 18-digit ID number
// kept as text, a long address and a reason.
ImportPlan planOfRowsLeftOut(int count)
{
    ImportPlan plan;
    plan.headings = {QStringLiteral("姓名"), QStringLiteral("性别"), QStringLiteral("出生日期"), QStringLiteral("身份证件号"),
                     QStringLiteral("家庭地址"), QStringLiteral("联系电话")};
    for (int i = 0; i < count; ++i) {
        ImportRow row;
        row.sourceRow = i + 2;
        row.status = ImportRow::Status::Problem;
        row.problems << QStringLiteral("出生日期不对：应为 8 位数字的日期，例如 20090315，请改正后重新导入");
        row.setCells({QStringLiteral("学生%1").arg(i + 1), QStringLiteral("男"), QStringLiteral("2009031"), IdNumber,
                      LongAddress, QStringLiteral("13800138000")});
        plan.rows << row;
    }
    return plan;
}

} // namespace

class TestImportReport : public QObject
{
    Q_OBJECT

private slots:
    void reportIsLaidOutForPaper();
    void reportPrintsOnePageWideWithItsHeadings();
};

void TestImportReport::reportIsLaidOutForPaper()
{
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to check the files");
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("问题.xlsx"));
    ClassImport::writeReport(planOfRowsLeftOut(3), report);

    const QJsonObject dump = Openpyxl::read(report);
    QCOMPARE(dump[QStringLiteral("sheets")].toArray(), QJsonArray({QStringLiteral("问题")}));
    const QJsonObject sheet = dump[QStringLiteral("sheet")][QStringLiteral("问题")].toObject();
    const QJsonObject page = sheet[QStringLiteral("page")].toObject();
    QCOMPARE(page[QStringLiteral("orientation")].toString(), QStringLiteral("landscape"));
    QCOMPARE(page[QStringLiteral("fitToWidth")].toInt(), 1);
    QCOMPARE(page[QStringLiteral("fitToHeight")].toInt(-1), 0);
    QVERIFY(page[QStringLiteral("fitToPage")].toBool());
    QCOMPARE(sheet[QStringLiteral("printTitleRows")].toString(), QStringLiteral("$1:$1"));

    // The ID number stays a string of all its digits.
    QCOMPARE(sheet[QStringLiteral("cells")][QStringLiteral("D2")].toString(), IdNumber);
    QCOMPARE(sheet[QStringLiteral("types")][QStringLiteral("D2")].toString(), QStringLiteral("s"));

    // Widths follow the texts: the ID column shows all 18 digits, the short
    // columns stay narrow, the long address and the reasons are capped and wrap.
    const QJsonObject widths = sheet[QStringLiteral("widths")].toObject();
    QVERIFY(widths[QStringLiteral("D")].toDouble() >= 19 && widths[QStringLiteral("D")].toDouble() < 25);
    QVERIFY(widths[QStringLiteral("B")].toDouble() < 8);
    for (const QString &column : {QStringLiteral("E"), QStringLiteral("G")}) {
        QCOMPARE(widths[column].toDouble(), XlsxSheet::ListColumnMaxWidth);
        const QString style = sheet[QStringLiteral("styles")][column + QStringLiteral("2")].toString();
        QVERIFY2(style.endsWith(QStringLiteral("|True")), qPrintable(style));
    }
    QVERIFY(sheet[QStringLiteral("heights")][QStringLiteral("2")].toDouble() > 15);
}

void TestImportReport::reportPrintsOnePageWideWithItsHeadings()
{
    const SpreadsheetRenderer renderer;
    if (!renderer.isAvailable())
        QSKIP("LibreOffice is not installed");
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("问题.xlsx"));
    ClassImport::writeReport(planOfRowsLeftOut(40), report);
    QFile pdf(renderer.renderPdf(report, dir.path()));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    if (!qEnvironmentVariableIsEmpty("TAVRO_KEEP_PDF"))
        QFile::copy(pdf.fileName(), qEnvironmentVariable("TAVRO_KEEP_PDF") + QStringLiteral("/问题.pdf"));

    // 40 rows of wrapped text take a few pages, every column on each of them
    // (the 问题 column too) under the repeated headings.
    const QStringList pages = pdfText(bytes).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), pdfPageCount(bytes));
    QVERIFY2(pages.size() >= 2 && pages.size() <= 6, qPrintable(QString::number(pages.size())));
    for (const QString &text : pages) {
        for (const QString &heading : {QStringLiteral("姓名"), QStringLiteral("身份证件号"), QStringLiteral("联系电话"), QStringLiteral("问题")})
            QVERIFY2(text.contains(heading), qPrintable(text.left(400)));
        QVERIFY2(text.contains(IdNumber), qPrintable(text.left(400)));
    }
}

QTEST_GUILESS_MAIN(TestImportReport)
#include "tst_import_report.moc"
