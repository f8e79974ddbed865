// The export commands of the administrator's command line over a real SQLite
// file; the workbooks are read back by openpyxl.
#include <QtTest>

#include <QJsonArray>

#include "core/record/record_columns.h"
#include "admin_command_run.h"
#include "openpyxl.h"
#include "print_test_support.h"

namespace {

using Run = AdminCommandRun;

Run run(const QStringList &args)
{
    return runAdmin(args);
}

QJsonObject read(const QString &path)
{
    return Openpyxl::read(path);
}

QStringList sheets(const QJsonObject &dump)
{
    QStringList out;
    for (const QJsonValue &v : dump.value(QStringLiteral("sheets")).toArray())
        out << v.toString();
    return out;
}

QString cell(const QJsonObject &dump, const QString &sheet, const QString &ref)
{
    return dump.value(QStringLiteral("sheet")).toObject().value(sheet).toObject().value(QStringLiteral("cells")).toObject().value(ref).toString();
}

} // namespace

class TestExportCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportWritesTheTables();
    void exportStudentsUsesTheTemplate();
    void badExportCommandLines_data();
    void badExportCommandLines();
    void failedExportSaysWhatAndWhy();
};

void TestExportCommandLine::initTestCase()
{
    if (!Openpyxl::available())
        QSKIP("/usr/bin/python3 with openpyxl is needed to check the files");
}

void TestExportCommandLine::exportWritesTheTables()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    env.createClassTable(QStringLiteral("合并表"));
    addStudent(env, QStringLiteral("高一02"), {{QStringLiteral("姓名"), QStringLiteral("张三")}});
    const QString db = env.path(QStringLiteral("tavro.db"));
    const QString out = env.path(QStringLiteral("表格.xlsx"));

    Run r = run({QStringLiteral("export"), QStringLiteral("--into"), out, QStringLiteral("--db"), db});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("导出 2 个excel工作表。\n耗时 ")), qPrintable(r.out));
    QCOMPARE(sheets(read(out)), QStringList({QStringLiteral("高一02"), QStringLiteral("高一01"), QStringLiteral("Sheet1")}));
    QCOMPARE(cell(read(out), QStringLiteral("高一02"), QStringLiteral("B2")), QStringLiteral("张三"));

    // The workbook of the first run is replaced only because --replace says so.
    r = run({QStringLiteral("export"), QStringLiteral("--into"), out, QStringLiteral("--db"), db, QStringLiteral("--structure"),
             QStringLiteral("Init1"), QStringLiteral("--tables"), QStringLiteral("合并表"), QStringLiteral("--replace")});
    QCOMPARE(r.status, 0);
    const QJsonObject dump = read(out);
    QCOMPARE(sheets(dump), QStringList({QStringLiteral("合并表"), QStringLiteral("Sheet1")}));
    QCOMPARE(cell(dump, QStringLiteral("合并表"), QStringLiteral("A1")), RecordColumns::nationalColumns().first());
}

void TestExportCommandLine::exportStudentsUsesTheTemplate()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    for (const char *name : {"张三", "李四"})
        addStudent(env, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QString::fromUtf8(name)}});
    const QString db = env.path(QStringLiteral("tavro.db"));
    const QString out = env.path(QStringLiteral("多人.xlsx"));
    const QStringList args{QStringLiteral("export-students"), QStringLiteral("--table"), QStringLiteral("高一01"),
                           QStringLiteral("--into"), out, QStringLiteral("--db"), db, QStringLiteral("--dir"), env.dir.path()};

    Run r = run(args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("文件不存在：")) && r.err.contains(QStringLiteral("Template.xlsx")), qPrintable(r.err));

    QFile::copy(defaultTemplate(), env.path(QStringLiteral("Template.xlsx")));
    r = run(args);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("2 条记录导出完毕。")), qPrintable(r.out));
    const QJsonObject dump = read(out);
    QCOMPARE(sheets(dump), QStringList({QStringLiteral("打印模板 (2)"), QStringLiteral("打印模板")}));
    QCOMPARE(cell(dump, QStringLiteral("打印模板 (2)"), QStringLiteral("C5")), QStringLiteral("李四"));
    QCOMPARE(cell(dump, QStringLiteral("打印模板 (2)"), QStringLiteral("C55")), QStringLiteral("张三"));
}

void TestExportCommandLine::badExportCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("export without --into") << QStringList{QStringLiteral("export")} << 2;
    QTest::newRow("unknown structure") << QStringList{QStringLiteral("export"), QStringLiteral("--into"), QStringLiteral("x.xlsx"),
                                                      QStringLiteral("--structure"), QStringLiteral("Init3")} << 2;
    QTest::newRow("students without --table") << QStringList{QStringLiteral("export-students"), QStringLiteral("--into"), QStringLiteral("x.xlsx")} << 2;
    QTest::newRow("students of an unknown table") << QStringList{QStringLiteral("export-students"), QStringLiteral("--table"),
                                                                 QStringLiteral("没有"), QStringLiteral("--into"), QStringLiteral("x.xlsx")} << 1;
}

void TestExportCommandLine::badExportCommandLines()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    TestEnv env;
    args << QStringLiteral("--db") << env.path(QStringLiteral("tavro.db"));
    const Run r = run(args);
    QCOMPARE(r.status, status);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(!QFileInfo::exists(QStringLiteral("x.xlsx")));
}

void TestExportCommandLine::failedExportSaysWhatAndWhy()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    env.createClassTable(QStringLiteral("高一02"));
    // A view whose table is gone is listed but cannot be read: the export fails at its second table.
    env.db->execute(QStringLiteral("create table 旧表 (id integer)"));
    env.db->execute(QStringLiteral("create view 高一03 as select * from 旧表"));
    env.db->execute(QStringLiteral("drop table 旧表"));
    const QString db = env.path(QStringLiteral("tavro.db"));
    const QString out = env.path(QStringLiteral("表格.xlsx"));

    Run r = run({QStringLiteral("export"), QStringLiteral("--into"), out, QStringLiteral("--db"), db, QStringLiteral("--tables"),
                 QStringLiteral("高一01,高一03")});
    QCOMPARE(r.status, 1);
    QVERIFY(r.out.isEmpty());
    const QStringList lines = r.err.trimmed().split(QLatin1Char('\n'));
    QVERIFY2(lines.size() >= 2 && lines.at(0).contains(QStringLiteral("读取表“高一03”时出错（已读完 1 个表）")), qPrintable(r.err));
    QVERIFY2(lines.mid(1).join(QLatin1Char('\n')).contains(QStringLiteral("旧表")), qPrintable(r.err)); // the engine's text
    QVERIFY(!QFileInfo::exists(out));

    // A table without students says so, on the error stream alone.
    QVERIFY(QFile::copy(defaultTemplate(), env.path(QStringLiteral("Template.xlsx"))));
    r = run({QStringLiteral("export-students"), QStringLiteral("--table"), QStringLiteral("高一02"), QStringLiteral("--into"), out,
             QStringLiteral("--db"), db, QStringLiteral("--dir"), env.dir.path()});
    QCOMPARE(r.status, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(QStringLiteral("表“高一02”中没有学生，没有写出文件")), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(out));
}

QTEST_GUILESS_MAIN(TestExportCommandLine)
#include "tst_export_command_line.moc"
