// The student record's columns and the stored form of their values.
#include <QSet>
#include <QtTest>

#include "core/operations/print_template_geometry.h"
#include "core/record/record_schema.h"
#include "core/record/stored_value.h"

class TestRecordSchema : public QObject
{
    Q_OBJECT

private slots:
    void valuesComeBackAsEncoded();
    void templateCellsFitOneBlock();
    void blockRanges();
};

void TestRecordSchema::valuesComeBackAsEncoded()
{
    for (const QDate date : {QDate(2009, 3, 15), QDate(2000, 2, 29), QDate(1999, 12, 31)})
        QCOMPARE(StoredValue::birthDate(StoredValue::encodeBirthDate(date)), date);
    QCOMPARE(StoredValue::encodeBirthDate(QDate(2009, 3, 5)), QStringLiteral("20090305"));

    const QString region = StoredValue::encodeRegionCode(440606);
    QCOMPARE(region, QStringLiteral("440606000000"));
    QCOMPARE(region.size(), StoredValue::kRegionCodeLength);
    QCOMPARE(StoredValue::regionCode(region), 440606);

    const StoredValue::EntryYearMonth ym =
        StoredValue::entryYearMonth(StoredValue::encodeEntryYearMonth(QStringLiteral("2015"), QStringLiteral("09")));
    QCOMPARE(ym.year, QStringLiteral("2015"));
    QCOMPARE(ym.month, QStringLiteral("09"));

    // 班号 keeps the stage digit in the table; the print shows year and class only.
    const QString classCode = StoredValue::encodeClassCode(QStringLiteral("2015"), QStringLiteral("初二07"), QStringLiteral("07"));
    QCOMPARE(classCode, QStringLiteral("2015207"));
    const StoredValue::PrintedClassCode printed = StoredValue::printedClassCode(classCode);
    QCOMPARE(printed.entryYear, QStringLiteral("2015级"));
    QCOMPARE(printed.classNumber, QStringLiteral("07"));
}

void TestRecordSchema::templateCellsFitOneBlock()
{
    // Two columns in one cell, or a cell outside A1:F50, would print one
    // student's value over another's or into the next student's page.
    QSet<QPair<int, int>> cells;
    for (const RecordSchema::Column &column : RecordSchema::columns()) {
        for (const RecordSchema::Cell cell : {column.cell, column.secondCell}) {
            if (cell.row == 0)
                continue;
            QVERIFY2(cell.row >= 1 && cell.row <= PrintTemplateGeometry::kBlockRows, qPrintable(QString::fromUtf16(column.name)));
            QVERIFY(cell.column >= 1 && cell.column <= 6);
            QVERIFY2(!cells.contains({cell.row, cell.column}), qPrintable(QString::fromUtf16(column.name)));
            cells.insert({cell.row, cell.column});
        }
        // A stored region code prints through its names, never as digits.
        if (RecordSchema::isRegionCode(column))
            QCOMPARE(column.cell.row, 0);
    }
    QCOMPARE(cells.size(), 44);
}

void TestRecordSchema::blockRanges()
{
    QCOMPARE(PrintTemplateGeometry::blockRange(1), QStringLiteral("F50:A1"));
    QCOMPARE(PrintTemplateGeometry::blockRange(PrintTemplateGeometry::blockStart(2)), QStringLiteral("F150:A101"));
}

QTEST_GUILESS_MAIN(TestRecordSchema)
#include "tst_record_schema.moc"
