// Long operations of the print tab and the management tab, on a SQLite file in
// a temporary folder with the default print template:
//   multi-person export of 50 and of 2,000 students (Button3Click),
//   table export of 200 tables x 50 rows (Button5Click).
// Prints the median of several runs and the peak memory of the process.
// Usage: bench_print_export [runs]
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include "core/record/record_columns.h"
#include "core/operations/export_tables.h"
#include "manage/presented_operations.h"
#include "core/operations/template_printing.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/sql_text.h"
#include "platform/transaction.h"
#include "test_env.h"

namespace {

QString templateFile()
{
    return QDir::cleanPath(QStringLiteral(TAVRO_SOURCE_DIR "/resources/Template.xlsx"));
}

// Fills a table with n students whose values look like real ones.
QStringList fillTable(TestEnv &env, const QString &table, int n)
{
    env.createClassTable(table);
    const QStringList columns = RecordColumns::dataColumns();
    QStringList items;
    Transaction transaction(*env.db);
    for (int i = 0; i < n; ++i) {
        QStringList values;
        for (const QString &column : columns) {
            QString v = column == QStringLiteral("姓名") ? QStringLiteral("学生%1").arg(i, 4, 10, QLatin1Char('0'))
                        : column == QStringLiteral("班号") ? QStringLiteral("2015301")
                        : column.contains(QStringLiteral("地址")) || column.contains(QStringLiteral("住址"))
                            ? QStringLiteral("广东省佛山市南海区桂城街道南海大道%1号").arg(i)
                            : column + QString::number(i % 7);
            values << SqlText::quote(v);
        }
        env.db->execute(QStringLiteral("insert into %1 (%2) values (%3)")
                            .arg(table, columns.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
        items << QString::number(i + 1).leftJustified(5, QLatin1Char(' ')) + QStringLiteral("学生%1").arg(i);
    }
    transaction.commit();
    return items;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void benchStudents(int students, int runs)
{
    TestEnv env;
    QFile::copy(templateFile(), env.path(QStringLiteral("Template.xlsx")));
    const QStringList items = fillTable(env, QStringLiteral("高一01"), students);
    const SpreadsheetRenderer renderer;
    PresentedTemplatePrinting printing(*env.db, env.services, renderer);
    std::vector<double> times;
    qint64 size = 0;
    for (int run = 0; run < runs; ++run) {
        const QString out = env.path(QStringLiteral("export%1.xlsx").arg(run));
        QElapsedTimer timer;
        timer.start();
        printing.exportStudents(QStringLiteral("高一01"), items, out);
        times.push_back(timer.nsecsElapsed() / 1e6);
        size = QFileInfo(out).size();
        QFile::remove(out);
    }
    std::printf("multi-person export, %5d students: median %8.1f ms over %d runs (file %lld KB), peak memory %ld MB\n",
                students, median(times), runs, (long long)size / 1024, peakMegabytes());
}

void benchTables(int tables, int rows, int runs)
{
    TestEnv env;
    QStringList names;
    for (int t = 0; t < tables; ++t) {
        const QString name = QStringLiteral("表%1").arg(t, 3, 10, QLatin1Char('0'));
        fillTable(env, name, rows);
        names << name;
    }
    PresentedTablesExport exporter(*env.db, env.services);
    std::vector<double> times;
    qint64 size = 0;
    for (int run = 0; run < runs; ++run) {
        const QString out = env.path(QStringLiteral("tables%1.xlsx").arg(run));
        QElapsedTimer timer;
        timer.start();
        exporter.run(names, ExportTablesToSheets::Structure::Init2, out);
        times.push_back(timer.nsecsElapsed() / 1e6);
        size = QFileInfo(out).size();
        QFile::remove(out);
    }
    std::printf("table export, %d tables x %d rows: median %8.1f ms over %d runs (file %lld KB), peak memory %ld MB\n",
                tables, rows, median(times), runs, (long long)size / 1024, peakMegabytes());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    benchStudents(50, runs * 2 + 1);
    benchStudents(2000, runs);
    benchTables(200, 50, runs);
    return 0;
}
