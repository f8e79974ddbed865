// The exports at the scale of a whole school, each run in a child process of
// its own so that its peak memory (ru_maxrss) is the export's alone:
//   multi-person export of 2,000 and of 20,000 students,
//   table export of 300 tables / 35,000 rows, with the tables' own columns and with Init1's.
// Each time is printed next to the time zlib takes to deflate the same
// uncompressed sheet bytes (the file's worksheet parts) at level 1 in this
// run, and their ratio. Other work on the machine counts in both.
// Usage: bench_stream_export [runs]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "core/operations/export_tables.h"
#include "core/operations/template_printing.h"
#include "core/record/record_columns.h"
#include "platform/clock.h"
#include "platform/services.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/sql_database.h"
#include "platform/sql_text.h"
#include "platform/transaction.h"
#include "child_run.h"
#include "recording_desktop.h"
#include "scripted_messages.h"
#include "test_env.h"
#include "xlsx/xlsx_package.h"

namespace {

QString templateFile()
{
    return QDir::cleanPath(QStringLiteral(TAVRO_SOURCE_DIR "/resources/Template.xlsx"));
}

// Fills a class table with n students whose values look like real ones, in one transaction.
void fillTable(Database &db, const QString &table, int first, int n)
{
    const QStringList columns = RecordColumns::dataColumns();
    for (int i = first; i < first + n; ++i) {
        QStringList values;
        for (const QString &column : columns) {
            QString v = column == QStringLiteral("姓名") ? QStringLiteral("学生%1").arg(i, 5, 10, QLatin1Char('0'))
                        : column == QStringLiteral("班号") ? QStringLiteral("2015301")
                        : column.contains(QStringLiteral("地址")) || column.contains(QStringLiteral("住址"))
                            ? QStringLiteral("广东省佛山市南海区桂城街道南海大道%1号").arg(i)
                            : column + QString::number(i % 7);
            values << SqlText::quote(v);
        }
        db.execute(QStringLiteral("insert into %1 (%2) values (%3)")
                       .arg(table, columns.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
    }
}

// The child: one export on the database file, its wall time in ms on stdout.
int runChild(char **argv)
{
    const QString kind = QString::fromLocal8Bit(argv[2]);
    const QString dbPath = QString::fromLocal8Bit(argv[3]);
    const QString out = QString::fromLocal8Bit(argv[4]);
    const int n = std::atoi(argv[5]);
    auto db = SqlDatabase::openSqlite(dbPath, SqliteMode::ReadWrite);
    ScriptedMessages messages;
    FixedClock clock(TestEnv::defaultNow());
    RecordingDesktop desktop;
    Services services{messages, clock, desktop, QFileInfo(dbPath).absolutePath(), QStringLiteral("tavro")};
    QElapsedTimer timer;
    if (kind == QStringLiteral("students")) {
        QStringList items;
        for (int i = 1; i <= n; ++i)
            items << QString::number(i) + QStringLiteral(" 学生");
        const SpreadsheetRenderer renderer;
        TemplatePrinting printing(*db, services, renderer);
        timer.start();
        printing.exportStudents(QStringLiteral("高一01"), items, out);
    } else {
        QStringList tables;
        for (int t = 0; t < n; ++t)
            tables << QStringLiteral("表%1").arg(t, 3, 10, QLatin1Char('0'));
        ExportTablesToSheets exporter(*db, services);
        timer.start();
        exporter.run(tables,
                     kind == QStringLiteral("init1") ? ExportTablesToSheets::Structure::Init1
                                                     : ExportTablesToSheets::Structure::Init2,
                     out);
    }
    std::printf("%f\n", timer.nsecsElapsed() / 1e6);
    return 0;
}

// The median time zlib takes to deflate the file's worksheet parts at level 1, one after the other.
double deflateMs(const QString &file, size_t &bytes)
{
    const XlsxPackage package = XlsxPackage::read(file);
    std::vector<const std::string *> sheets;
    bytes = 0;
    for (const auto &[name, part] : package.parts()) {
        if (name.rfind("xl/worksheets/", 0) == 0) {
            sheets.push_back(&part);
            bytes += part.size();
        }
    }
    std::vector<double> times;
    std::string out;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (const std::string *part : sheets) {
            out.resize(compressBound(uLong(part->size())) + 64);
            z_stream z{};
            deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(part->data()));
            z.avail_in = uInt(part->size());
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, Z_FINISH);
            deflateEnd(&z);
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[1];
}

void report(const char *self, const char *what, const QString &kind, const QString &db, const QString &out, int n, int runs)
{
    std::vector<double> times;
    long peak = 0;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(out);
        const ChildRun r = runInChild({self, "--child", kind.toLocal8Bit(), db.toLocal8Bit(), out.toLocal8Bit(),
                                       QByteArray::number(n)});
        if (!r.ok) {
            std::printf("%-44s failed\n", what);
            return;
        }
        times.push_back(std::atof(r.output.c_str()));
        peak = std::max(peak, r.peakMb);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    size_t sheetBytes = 0;
    const double zlib = deflateMs(out, sheetBytes);
    std::printf("%-44s %8.0f ms | zlib -1 on %6.1f MB of sheets %6.0f ms | ratio %5.2f | peak %4ld MB | file %6lld KB\n",
                what, median, sheetBytes / 1048576.0, zlib, median / zlib, peak,
                (long long)QFileInfo(out).size() / 1024);
    QFile::remove(out);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 5 && std::strcmp(argv[1], "--child") == 0) {
        QCoreApplication app(argc, argv);
        return runChild(argv);
    }
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const char *self = "/proc/self/exe";
    char resolved[4096] = {};
    const ssize_t length = readlink(self, resolved, sizeof resolved - 1);
    if (length <= 0)
        return 1;

    {
        TestEnv env;
        QFile::copy(templateFile(), env.path(QStringLiteral("Template.xlsx")));
        env.createClassTable(QStringLiteral("高一01"));
        Transaction transaction(*env.db);
        fillTable(*env.db, QStringLiteral("高一01"), 0, 20000);
        transaction.commit();
        const QString db = env.db->filePath();
        env.db.reset();
        const QString out = env.path(QStringLiteral("export.xlsx"));
        report(resolved, "multi-person export, 2,000 students", QStringLiteral("students"), db, out, 2000, runs);
        report(resolved, "multi-person export, 20,000 students", QStringLiteral("students"), db, out, 20000, 1);
    }
    {
        TestEnv env;
        Transaction transaction(*env.db);
        // 300 tables of 116-117 rows: 35,000 rows in all.
        for (int t = 0; t < 300; ++t) {
            const QString name = QStringLiteral("表%1").arg(t, 3, 10, QLatin1Char('0'));
            env.createClassTable(name);
            fillTable(*env.db, name, t * 1000, t < 200 ? 117 : 116);
        }
        transaction.commit();
        const QString db = env.db->filePath();
        env.db.reset();
        const QString out = env.path(QStringLiteral("tables.xlsx"));
        report(resolved, "table export, 300 tables / 35,000 rows", QStringLiteral("init2"), db, out, 300, runs);
        report(resolved, "the same with the Init1 structure", QStringLiteral("init1"), db, out, 300, runs);
    }
    return 0;
}
