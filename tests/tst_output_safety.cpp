// Output never lands on data: the guard on every output path, writes that are
// whole or nothing, the question before a workbook is replaced, and the
// refusals of the exports. Real files in a temporary folder; every refused
// action must leave every file of the folder byte for byte as it was.
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

#include "admin_command_run.h"
#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "core/operations/data_checks.h"
#include "core/operations/export_tables.h"
#include "manage/presented_operations.h"
#include "core/operations/template_printing.h"
#include "platform/app_error.h"
#include "platform/atomic_file.h"
#include "platform/guard.h"
#include "platform/output_target.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/text_file.h"
#include "xlsx/xlsx_workbook.h"
#include "print_test_support.h"

namespace {

const QString Table = QStringLiteral("高一01");

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A folder with a class table of one student, Template.xlsx and a text file;
// the test's own connection is closed, so only the code under test touches the files.
struct Folder
{
    TestEnv env;
    QString db = env.path(QStringLiteral("tavro.db"));

    Folder()
    {
        env.createClassTable(Table);
        addStudent(env, Table, {{QStringLiteral("姓名"), QStringLiteral("张三")}});
        QFile::copy(defaultTemplate(), env.path(QStringLiteral("Template.xlsx")));
        writeBytes(env.path(QStringLiteral("说明.txt")), "notes a teacher keeps\r\n");
        QDir(env.dir.path()).mkdir(QStringLiteral("x"));
        QFile::link(db, env.path(QStringLiteral("link.xlsx")));
    }
    void closeDatabase() { env.db.reset(); }
    AdminCommandRun run(QStringList args)
    {
        args << QStringLiteral("--db") << db << QStringLiteral("--dir") << env.dir.path();
        return runAdmin(args);
    }
};

// Sets the largest file this process may write; writes beyond it fail with EFBIG.
struct FileSizeLimit
{
    rlimit old{};
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limited = old;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

} // namespace

class TestOutputSafety : public QObject
{
    Q_OBJECT

private slots:
    void exportOntoDataIsRefused_data();
    void exportOntoDataIsRefused();
    void existingWorkbookOnlyWithReplace();
    void reportsAndDebugFileNeverWriteThroughALink();
    void failedWriteKeepsTheOldFile();
    void tableNamesThatCannotBeSheets_data();
    void tableNamesThatCannotBeSheets();
    void tableNameRefusedBeforeWriting();
    void multiPersonExportBeyondASheet();
    void windowAsksBeforeReplacing();
    void exportsWaitForTheWordToReplace();
};

void TestOutputSafety::exportOntoDataIsRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("into");
    QTest::addColumn<QString>("said");
    const QString database = QStringLiteral("数据库文件");
    const QString log = QStringLiteral("数据库的日志文件");
    const QString printTemplate = QStringLiteral("打印模板");
    const QString notXlsx = QStringLiteral(".xlsx 结尾");
    QTest::newRow("the database") << "export" << "tavro.db" << database;
    QTest::newRow("the database by another spelling") << "export" << "x/../tavro.db" << database;
    QTest::newRow("a link to the database") << "export" << "link.xlsx" << database;
    QTest::newRow("its -wal") << "export" << "tavro.db-wal" << log;
    QTest::newRow("its -shm") << "export" << "tavro.db-shm" << log;
    QTest::newRow("its -journal") << "export" << "tavro.db-journal" << log;
    QTest::newRow("the template") << "export" << "Template.xlsx" << printTemplate;
    QTest::newRow("an old template") << "export" << "Template.xls" << printTemplate;
    QTest::newRow("a text file") << "export" << "说明.txt" << notXlsx;
    QTest::newRow("a new name without .xlsx") << "export" << "表格" << notXlsx;
    QTest::newRow("a folder") << "export" << "x" << QStringLiteral("是一个文件夹");
    QTest::newRow("students onto the database") << "export-students" << "tavro.db" << database;
    QTest::newRow("students onto the template") << "export-students" << "Template.xlsx" << printTemplate;
    QTest::newRow("students onto a text file") << "export-students" << "说明.txt" << notXlsx;
}

void TestOutputSafety::exportOntoDataIsRefused()
{
    QFETCH(QString, command);
    QFETCH(QString, into);
    QFETCH(QString, said);
    Folder f;
    f.closeDatabase();
    const auto before = folderSnapshot(f.env.dir.path());
    QStringList args{command, QStringLiteral("--into"), f.env.path(into), QStringLiteral("--replace")};
    if (command == QLatin1String("export-students"))
        args << QStringLiteral("--table") << Table;
    const AdminCommandRun r = f.run(args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QCOMPARE(folderSnapshot(f.env.dir.path()), before);
}

void TestOutputSafety::existingWorkbookOnlyWithReplace()
{
    Folder f;
    f.closeDatabase();
    const QString out = f.env.path(QStringLiteral("表格.xlsx"));
    writeBytes(out, "last term's workbook");
    const auto before = folderSnapshot(f.env.dir.path());
    const QStringList exportArgs{QStringLiteral("export"), QStringLiteral("--into"), out};
    const QStringList studentArgs{QStringLiteral("export-students"), QStringLiteral("--table"), Table,
                                  QStringLiteral("--into"), out};

    for (const QStringList &args : {exportArgs, studentArgs}) {
        const AdminCommandRun r = f.run(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("已存在")) && r.err.contains(QStringLiteral("--replace")), qPrintable(r.err));
        QCOMPARE(folderSnapshot(f.env.dir.path()), before);
    }

    QVERIFY(runAdmin({QStringLiteral("--help")}).out.contains(QStringLiteral("--replace")));
    AdminCommandRun r = f.run(exportArgs + QStringList{QStringLiteral("--replace")});
    QCOMPARE(r.status, 0);
    QVERIFY(readFile(out).startsWith("PK")); // a zip package: the workbook took its place
    r = f.run(studentArgs + QStringList{QStringLiteral("--replace")});
    QCOMPARE(r.status, 0);
    QVERIFY(readFile(out).startsWith("PK"));
    // Nothing but the workbook changed, and no temporary file was left behind.
    auto after = folderSnapshot(f.env.dir.path());
    after.remove(QStringLiteral("表格.xlsx"));
    auto expected = before;
    expected.remove(QStringLiteral("表格.xlsx"));
    QCOMPARE(after, expected);
}

void TestOutputSafety::reportsAndDebugFileNeverWriteThroughALink()
{
    Folder f;
    const QString report = f.env.path(QStringLiteral("check.txt"));
    const QString pointed = f.env.path(QStringLiteral("说明.txt"));
    QVERIFY(QFile::link(pointed, report));
    DataChecks checks(*f.env.db, f.env.dir.path());
    checks.run(DataChecks::Check::EntryCount, {Table});
    QCOMPARE(readFile(pointed), QByteArray("notes a teacher keeps\r\n"));
    QVERIFY(!QFileInfo(report).isSymLink());
    QCOMPARE(TextFile::decodeGb18030(readFile(report)), QStringLiteral("班级\t计数\t\r\n高一01\t1\t\r\n合计\t1\t\r\n"));

    // A link to the database itself is refused outright, for the report and for debug.txt.
    QVERIFY(QFile::remove(report));
    QVERIFY(QFile::link(f.db, report));
    const QString debug = f.env.path(QStringLiteral("debug.txt"));
    QVERIFY(QFile::link(f.db, debug));
    const auto before = folderSnapshot(f.env.dir.path());
    QVERIFY_THROWS_EXCEPTION(AppError, checks.run(DataChecks::Check::EntryCount, {Table}));
    QVERIFY_THROWS_EXCEPTION(AppError, checks.writeCheckReport({QStringLiteral("line")}));
    RecordSaver saver(*f.env.db, Table, debug);
    QStringList values;
    for (int i = 0; i < RecordColumns::Count; ++i)
        values << QString();
    values[RecordColumns::Name] = QStringLiteral("李四");
    QVERIFY_THROWS_EXCEPTION(AppError, saver.updateRecord(1, values));
    QCOMPARE(folderSnapshot(f.env.dir.path()), before);
    QCOMPARE(f.env.db->query(QStringLiteral("select 姓名 from 高一01")).text(0, 0), QStringLiteral("张三"));
}

void TestOutputSafety::failedWriteKeepsTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("check.txt"));
    writeBytes(path, "the previous report");
    const auto before = folderSnapshot(dir.path());

    // The disk takes only part of the new file: the old one stays whole, no temporary file is left.
    try {
        FileSizeLimit limit(1024);
        TextFile::writeGb18030(path, QString(5000, QChar(u'学')));
        QFAIL("the write should have failed");
    } catch (const FileError &e) {
        const QStringList lines = e.text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(0).contains(QStringLiteral("原来的文件保持不变")), qPrintable(lines.at(0)));
        QCOMPARE(lines.at(1), QString::fromLocal8Bit(std::strerror(EFBIG)));
    }
    QCOMPARE(folderSnapshot(dir.path()), before);

    // A workbook saved where the folder is missing: nothing is created.
    XlsxWorkbook book = XlsxWorkbook::create();
    QVERIFY_THROWS_EXCEPTION(FileError, book.saveAs(dir.filePath(QStringLiteral("不存在/表格.xlsx"))));
    // A new file that must not replace one which appeared meanwhile.
    QVERIFY_THROWS_EXCEPTION(FileError, book.saveAs(path, 6, AtomicFile::Existing::Keep));
    QCOMPARE(folderSnapshot(dir.path()), before);
}

void TestOutputSafety::tableNamesThatCannotBeSheets_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("refused");
    QTest::newRow("31 characters") << QString(31, QChar(u'高')) << false;
    QTest::newRow("32 characters") << QString(32, QChar(u'高')) << true;
    for (const char *c : {"[", "]", ":", "*", "?", "/", "\\"})
        QTest::newRow(c) << QStringLiteral("高一%101").arg(QLatin1String(c)) << true;
}

void TestOutputSafety::tableNamesThatCannotBeSheets()
{
    QFETCH(QString, table);
    QFETCH(bool, refused);
    const QString refusal = ExportTablesToSheets::sheetNameRefusal(table);
    QCOMPARE(!refusal.isEmpty(), refused);
    if (refused)
        QVERIFY2(refusal.contains(table), qPrintable(refusal));
}

void TestOutputSafety::tableNameRefusedBeforeWriting()
{
    Folder f;
    const QString tooLong = QString(33, QChar(u'初'));
    f.env.createClassTable(tooLong);
    f.closeDatabase();
    const QString out = f.env.path(QStringLiteral("表格.xlsx"));
    writeBytes(out, "last term's workbook");
    const auto before = folderSnapshot(f.env.dir.path());
    // Even with --replace the old workbook stays: the export stops before a table is read.
    const AdminCommandRun r = f.run({QStringLiteral("export"), QStringLiteral("--into"), out, QStringLiteral("--replace"),
                                     QStringLiteral("--tables"), Table + QLatin1Char(',') + tooLong});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(tooLong) && r.err.contains(QStringLiteral("没有导出任何表")), qPrintable(r.err));
    QCOMPARE(folderSnapshot(f.env.dir.path()), before);
}

void TestOutputSafety::multiPersonExportBeyondASheet()
{
    Folder f;
    SpreadsheetRenderer renderer;
    PresentedTemplatePrinting printing(*f.env.db, f.env.services, renderer);
    QStringList items;
    for (int id = 1; id <= TemplatePrinting::MaxStudentsPerSheet + 1; ++id)
        items << QStringLiteral("%1 学生").arg(id);
    const auto before = folderSnapshot(f.env.dir.path());

    // One more than a sheet holds: refused before anything is read or written, saying how many fit.
    QVERIFY(!runGuarded(f.env.messages, [&] { printing.exportStudents(Table, items); }));
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown.at(0).kind, ScriptedMessages::Kind::Error);
    QVERIFY2(f.env.messages.lastText().contains(QStringLiteral("20972"))
                 && f.env.messages.lastText().contains(QStringLiteral("最多只能放 20971 名"))
                 && f.env.messages.lastText().contains(QStringLiteral("分几次导出")),
             qPrintable(f.env.messages.lastText()));
    QVERIFY(f.env.desktop.opened.isEmpty());
    QCOMPARE(folderSnapshot(f.env.dir.path()), before);

    // Exactly as many as fit go through (one student stored, the other ids no longer there).
    f.env.messages.clear();
    items.removeLast();
    QVERIFY(runGuarded(f.env.messages, [&] { printing.exportStudents(Table, items); }));
    QCOMPARE(f.env.messages.shown.size(), 1);
    QVERIFY2(f.env.messages.lastText().startsWith(QStringLiteral("1 条记录导出完毕。")), qPrintable(f.env.messages.lastText()));
    QCOMPARE(f.env.desktop.opened.size(), 1);
}

void TestOutputSafety::windowAsksBeforeReplacing()
{
    Folder f;
    const QString out = f.env.path(QStringLiteral("表格.xlsx"));
    writeBytes(out, "last term's workbook");
    const ReplaceConsent ask = askBeforeReplacing(f.env.messages, nullptr, QStringLiteral("管理"));
    PresentedTablesExport exporter(*f.env.db, f.env.services);
    exporter.setReplaceConsent(ask);
    SpreadsheetRenderer renderer;
    PresentedTemplatePrinting printing(*f.env.db, f.env.services, renderer);
    printing.setReplaceConsent(ask);
    const QStringList items{recordItem(1, QStringLiteral("张三"))};
    const auto before = folderSnapshot(f.env.dir.path());

    // No: nothing is written and nothing claims an export.
    f.env.messages.answerNext(Messages::Answer::No);
    QVERIFY(runGuarded(f.env.messages, [&] {
        QVERIFY(exporter.run({Table}, ExportTablesToSheets::Structure::Init2, out).isEmpty());
    }));
    f.env.messages.answerNext(Messages::Answer::No);
    QVERIFY(runGuarded(f.env.messages, [&] { QVERIFY(printing.exportStudents(Table, items, out).isEmpty()); }));
    QCOMPARE(f.env.messages.shown.size(), 2);
    for (const ScriptedMessages::Shown &box : f.env.messages.shown) {
        QCOMPARE(box.kind, ScriptedMessages::Kind::Box);
        QCOMPARE(box.buttons, Messages::Buttons::YesNo);
        QCOMPARE(box.title, QStringLiteral("管理"));
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(out)), qPrintable(box.text));
    }
    QCOMPARE(folderSnapshot(f.env.dir.path()), before);

    // Yes: the workbook takes the old file's place.
    f.env.messages.clear();
    f.env.messages.answerNext(Messages::Answer::Yes);
    QVERIFY(runGuarded(f.env.messages, [&] { QCOMPARE(exporter.run({Table}, ExportTablesToSheets::Structure::Init2, out), out); }));
    QCOMPARE(f.env.messages.shown.size(), 2);
    QCOMPARE(f.env.messages.shown.at(0).kind, ScriptedMessages::Kind::Box);
    QVERIFY(f.env.messages.lastText().startsWith(QStringLiteral("导出 1 个excel工作表。")));
    QVERIFY(readFile(out).startsWith("PK"));
}

void TestOutputSafety::exportsWaitForTheWordToReplace()
{
    Folder f;
    const QString out = f.env.path(QStringLiteral("表格.xlsx"));
    writeBytes(out, "last term's workbook");
    ExportTablesToSheets tables(*f.env.db, f.env.services);
    SpreadsheetRenderer renderer;
    TemplatePrinting students(*f.env.db, f.env.services, renderer);
    const auto before = folderSnapshot(f.env.dir.path());
    int reported = 0;
    const Progress counting = [&](int, int) { return ++reported > 0; };

    // Without the word: the existing file is named back, nothing is read, written or shown.
    const std::function<WorkbookExport()> exports[] = {
        [&] { return tables.run({Table}, ExportTablesToSheets::Structure::Init2, out, counting); },
        [&] { return students.exportStudents(Table, {recordItem(1, QStringLiteral("张三"))}, out, counting); },
    };
    for (const auto &run : exports) {
        const WorkbookExport asked = run();
        QCOMPARE(asked.outcome, WorkbookExport::Outcome::NeedsConsent);
        QCOMPARE(QFileInfo(asked.path).absoluteFilePath(), QFileInfo(out).absoluteFilePath());
        QCOMPARE(asked.done, 0);
    }
    QCOMPARE(reported, 0);
    QCOMPARE(folderSnapshot(f.env.dir.path()), before);
    QVERIFY(f.env.messages.shown.isEmpty() && f.env.desktop.opened.isEmpty());

    // With it: the file is replaced and the outcome says what was written.
    tables.setReplaceExisting(true);
    students.setReplaceExisting(true);
    for (const auto &run : exports) {
        const WorkbookExport written = run();
        QCOMPARE(written.outcome, WorkbookExport::Outcome::Written);
        QCOMPARE(written.path, out);
        QCOMPARE(written.done, 1);
        QCOMPARE(written.total, 1);
        QVERIFY(readFile(out).startsWith("PK"));
    }
    QVERIFY(f.env.messages.shown.isEmpty() && f.env.desktop.opened.isEmpty());
}

QTEST_MAIN(TestOutputSafety)
#include "tst_output_safety.moc"
