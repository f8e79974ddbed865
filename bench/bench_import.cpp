// Times the import of class lists (read, checked for values, rules and
// duplicates, inserted into a class table of the local file in one transaction):
//   2,000 rows from an .xlsx, in this process, median of runs;
//   200,000 rows from a .csv (prepare and commit), in a child process of its own;
//   20,000 rows from an .xlsx (prepare), in a child process, beside openpyxl's
//   read-only reading of the same file (/usr/bin/python3) in this run.
// Peak memory is the child's ru_maxrss. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_import [rows=2000] [runs=5] [large csv rows=200000]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "bench_timing.h"
#include "child_run.h"
#include "core/import/class_import.h"
#include "core/import/sheet_rows.h"
#include "core/region/region_tables.h"
#include "core/record/id_number_check.h"
#include "platform/sql_database.h"
#include "platform/sql_name.h"
#include "test_env.h"
#include "xlsx/xlsx_workbook.h"

namespace {

QTextStream out(stdout);

void report(const QString &what, double ms)
{
    out << what.leftJustified(28, QLatin1Char(' ')) << QString::number(ms, 'f', 1).rightJustified(9) << " ms" << Qt::endl;
}

const QStringList &headings()
{
    static const QStringList list = QStringLiteral(
        "姓名 性别 出生日期 出生地 籍贯 民族 身份证号 户籍所在地 入学年月 就读方式 现住址 联系电话 邮编 成员1姓名 成员1关系 成员1联系电话")
                                        .split(QLatin1Char(' '));
    return list;
}

// Row n of a class list as a school keeps it: names, items as plain words,
// dates, region names and codes, ID numbers (every 50th with a wrong check
// character). The first 2,000 are the rows this benchmark has always timed;
// later ones are born on later days, so that every ID number stays unique.
QStringList listRow(int n)
{
    static const QString surnames = QStringLiteral("赵钱孙李周吴郑王冯陈褚卫蒋沈韩杨朱秦尤许何吕施张孔曹严华金魏陶姜");
    const QDate birth = QDate(2008 + n % 2, 3, 15).addDays(n / 2000);
    QString id = QStringLiteral("440606") + birth.toString(QStringLiteral("yyyyMMdd"))
                 + QStringLiteral("%1").arg(n / 2 % 1000, 3, 10, QLatin1Char('0'));
    id += IdNumberCheck::checkCharacter(id);
    if (n % 50 == 0)
        id[17] = id[17] == QLatin1Char('1') ? QLatin1Char('2') : QLatin1Char('1');
    const bool male = (id.at(16).digitValue() % 2) == 1;
    return {QString(surnames.at(n % surnames.size())) + QStringLiteral("同学%1").arg(n),
            male ? QStringLiteral("男") : QStringLiteral("女"), id.mid(6, 8),
            n % 2 ? QStringLiteral("广东省佛山市顺德区") : QStringLiteral("440606"),
            QStringLiteral("广东省佛山市顺德区"), QStringLiteral("汉族"), id,
            QStringLiteral("佛山市顺德区"), QStringLiteral("2015-09"), QStringLiteral("走读"),
            QStringLiteral("大良街道%1号").arg(n), QStringLiteral("0757%1").arg(n, 7, 10, QLatin1Char('0')),
            QStringLiteral("528300"), QStringLiteral("家长%1").arg(n), QStringLiteral("父亲"),
            QStringLiteral("138%1").arg(n, 8, 10, QLatin1Char('0'))};
}

void writeXlsx(const QString &path, int rows)
{
    XlsxWorkbook book = XlsxWorkbook::create();
    XlsxSheet &sheet = book.sheet(1);
    for (int c = 0; c < headings().size(); ++c)
        sheet.setCellText(1, c + 1, headings().at(c));
    for (int n = 0; n < rows; ++n) {
        const QStringList cells = listRow(n);
        for (int c = 0; c < cells.size(); ++c)
            sheet.setCellText(n + 2, c + 1, cells.at(c));
    }
    book.saveAs(path);
}

void writeCsv(const QString &path, int rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(headings().join(QLatin1Char(',')).toUtf8() + "\r\n");
    for (int n = 0; n < rows; ++n)
        file.write(listRow(n).join(QLatin1Char(',')).toUtf8() + "\r\n");
}

// The child: one import into 高一01 of the database file; prints the prepare
// and commit times in ms (commit 0 when not asked) and the rows imported.
int runChild(char **argv)
{
    if (std::strcmp(argv[2], "read") == 0) { // the reading alone: rows and cells handed out
        QElapsedTimer timer;
        timer.start();
        const auto reader = SheetRowsReader::open(QString::fromLocal8Bit(argv[4]), QString());
        SheetRow row;
        qint64 cells = 0;
        while (reader->next(row))
            cells += row.cells.size();
        std::printf("%f 0 %lld\n", timer.nsecsElapsed() / 1e6, cells);
        return 0;
    }
    const bool commit = std::strcmp(argv[2], "commit") == 0;
    auto db = SqlDatabase::openSqlite(QString::fromLocal8Bit(argv[3]), SqliteMode::ReadWrite);
    RegionTables regions;
    regions.LoadRegionTables();
    ClassImport importer(*db, regions, TestEnv::defaultNow());
    QElapsedTimer timer;
    timer.start();
    const ImportPlan plan = importer.prepare(QString::fromLocal8Bit(argv[4]), QString(), QStringLiteral("高一01"));
    const double prepareMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const int imported = commit ? importer.commit(plan).imported : plan.importCount();
    std::printf("%f %f %d\n", prepareMs, commit ? timer.nsecsElapsed() / 1e6 : 0.0, imported);
    return 0;
}

// The numbers a child printed, separated by blanks.
std::vector<double> numbersOf(const ChildRun &run)
{
    std::vector<double> numbers;
    for (const QByteArray &n : QByteArray::fromStdString(run.output).simplified().split(' '))
        numbers.push_back(n.toDouble());
    return numbers;
}

const char *openpyxlScript = "import sys, time, openpyxl\n"
                             "t = time.perf_counter()\n"
                             "wb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                             "n = sum(1 for row in wb.worksheets[0].iter_rows(values_only=True))\n"
                             "wb.close()\n"
                             "print((time.perf_counter() - t) * 1000, n)\n";

} // namespace

int main(int argc, char **argv)
{
    if (argc > 4 && std::strcmp(argv[1], "--child") == 0) {
        QCoreApplication app(argc, argv);
        return runChild(argv);
    }
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? atoi(argv[1]) : 2000;
    const int runs = argc > 2 ? atoi(argv[2]) : 5;
    const int largeRows = argc > 3 ? atoi(argv[3]) : 200000;
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    TestEnv env;
    RegionTables regions;
    regions.LoadRegionTables();
    const QString list = env.path(QStringLiteral("名单.xlsx"));
    writeXlsx(list, rows);
    out << rows << " rows, median of " << runs << " runs" << Qt::endl;

    int imported = 0;
    double prepareMs = 0;
    double commitMs = 0;
    const double total = medianMs(runs, [&](int run) {
        const QString table = QStringLiteral("高一%1").arg(run + 1, 2, 10, QLatin1Char('0'));
        env.createClassTable(table);
        ClassImport importer(*env.db, regions, env.clock.now());
        QElapsedTimer t;
        t.start();
        const ImportPlan plan = importer.prepare(list, QString(), table);
        prepareMs = t.nsecsElapsed() / 1e6;
        t.restart();
        imported = importer.commit(plan).imported;
        commitMs = t.nsecsElapsed() / 1e6;
    });
    report(QStringLiteral("read and check (last run)"), prepareMs);
    report(QStringLiteral("insert (last run)"), commitMs);
    report(QStringLiteral("import, median"), total);
    out << imported << " rows imported per run (every 50th has a wrong check character)" << Qt::endl << Qt::endl;

    // The scale runs: each in a child process on a database file with an empty 高一01.
    TestEnv scale;
    scale.createClassTable(QStringLiteral("高一01"));
    const QString db = scale.db->filePath();
    const QString template_ = scale.path(QStringLiteral("empty.db"));
    scale.db.reset();
    QFile::copy(db, template_);
    auto freshDb = [&] {
        QFile::remove(db);
        QFile::copy(template_, db);
        return db.toLocal8Bit();
    };

    const QString csv = scale.path(QStringLiteral("全校.csv"));
    writeCsv(csv, largeRows);
    const ChildRun big = runInChild({self, "--child", "commit", freshDb(), csv.toLocal8Bit()});
    const std::vector<double> bigNumbers = numbersOf(big);
    if (big.ok && bigNumbers.size() == 3)
        std::printf("%d-row csv (%.1f MB): prepare %.0f ms + commit %.0f ms = %.2f s, %d rows imported, peak %ld MB,"
                    " CPU %.1f s\n",
                    largeRows, QFileInfo(csv).size() / 1048576.0, bigNumbers[0], bigNumbers[1],
                    (bigNumbers[0] + bigNumbers[1]) / 1000, int(bigNumbers[2]), big.peakMb, big.cpuMs / 1000);
    else
        std::printf("%d-row csv: the import failed\n", largeRows);
    const ChildRun read = runInChild({self, "--child", "prepare", freshDb(), csv.toLocal8Bit()});
    if (read.ok && !numbersOf(read).empty())
        std::printf("  prepare alone: %.0f ms, peak %ld MB, CPU %.1f s\n", numbersOf(read)[0], read.peakMb, read.cpuMs / 1000);
    QFile::remove(csv);

    const QString xlsx = scale.path(QStringLiteral("年级.xlsx"));
    writeXlsx(xlsx, 20000);
    std::vector<double> ours, theirs, oursCpu, theirsCpu;
    long oursPeak = 0, theirsPeak = 0;
    for (int run = 0; run < std::max(1, runs / 2); ++run) {
        const ChildRun a = runInChild({self, "--child", "prepare", freshDb(), xlsx.toLocal8Bit()});
        const ChildRun b = runInChild({"/usr/bin/python3", "-c", openpyxlScript, xlsx.toLocal8Bit()});
        if (!a.ok || !b.ok || numbersOf(a).empty() || numbersOf(b).empty()) {
            std::printf("20,000-row xlsx: a run failed (openpyxl under /usr/bin/python3?)\n");
            return 1;
        }
        ours.push_back(numbersOf(a)[0]);
        theirs.push_back(numbersOf(b)[0]);
        oursCpu.push_back(a.cpuMs);
        theirsCpu.push_back(b.cpuMs);
        oursPeak = std::max(oursPeak, a.peakMb);
        theirsPeak = std::max(theirsPeak, b.peakMb);
    }
    auto median = [](std::vector<double> &v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double a = median(ours);
    const double b = median(theirs);
    const double aCpu = median(oursCpu);
    const double bCpu = median(theirsCpu);
    std::printf("20,000-row xlsx (%.1f MB): import prepare %.0f ms, peak %ld MB | openpyxl read-only %.0f ms, peak %ld MB"
                " | %.1f times faster\n"
                "  CPU time of the whole processes (start-up included): %.0f ms against %.0f ms, %.1f times less\n",
                QFileInfo(xlsx).size() / 1048576.0, a, oursPeak, b, theirsPeak, b / a, aCpu, bCpu, bCpu / aCpu);
    return 0;
}
