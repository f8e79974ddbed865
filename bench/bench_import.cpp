// Times the import of a class list: 2,000 rows read from an .xlsx, checked
// (values, rules, duplicates) and inserted into a class table of the local
// file in one transaction. Target: under 1 s. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_import [rows=2000] [runs=5]
#include <QCoreApplication>
#include <QTextStream>

#include "bench_timing.h"
#include "core/import/class_import.h"
#include "core/region/region_tables.h"
#include "platform/id_number_check.h"
#include "platform/sql_name.h"
#include "test_env.h"
#include "xlsx/xlsx_workbook.h"

namespace {

QTextStream out(stdout);

void report(const QString &what, double ms)
{
    out << what.leftJustified(28, QLatin1Char(' ')) << QString::number(ms, 'f', 1).rightJustified(9) << " ms" << Qt::endl;
}

// A class list as a school keeps it: names, items as plain words, dates,
// region names and codes, ID numbers (a few with a wrong check character).
void writeList(const QString &path, int rows)
{
    static const QStringList headings = QStringLiteral(
        "姓名 性别 出生日期 出生地 籍贯 民族 身份证号 户籍所在地 入学年月 就读方式 现住址 联系电话 邮编 成员1姓名 成员1关系 成员1联系电话")
                                            .split(QLatin1Char(' '));
    static const QString surnames = QStringLiteral("赵钱孙李周吴郑王冯陈褚卫蒋沈韩杨朱秦尤许何吕施张孔曹严华金魏陶姜");
    XlsxWorkbook book = XlsxWorkbook::create();
    XlsxSheet &sheet = book.sheet(1);
    for (int c = 0; c < headings.size(); ++c)
        sheet.setCellText(1, c + 1, headings.at(c));
    for (int n = 0; n < rows; ++n) {
        QString id = QStringLiteral("440606200%1%2%3").arg(n % 2 + 8).arg(QStringLiteral("0315")).arg(n / 2 % 1000, 3, 10, QLatin1Char('0'));
        id += IdNumberCheck::checkCharacter(id);
        if (n % 50 == 0)
            id[17] = id[17] == QLatin1Char('1') ? QLatin1Char('2') : QLatin1Char('1');
        const bool male = (id.at(16).digitValue() % 2) == 1;
        const QStringList cells{QString(surnames.at(n % surnames.size())) + QStringLiteral("同学%1").arg(n),
                                male ? QStringLiteral("男") : QStringLiteral("女"), id.mid(6, 8),
                                n % 2 ? QStringLiteral("广东省佛山市顺德区") : QStringLiteral("440606"),
                                QStringLiteral("广东省佛山市顺德区"), QStringLiteral("汉族"), id,
                                QStringLiteral("佛山市顺德区"), QStringLiteral("2015-09"), QStringLiteral("走读"),
                                QStringLiteral("大良街道%1号").arg(n), QStringLiteral("0757%1").arg(n, 7, 10, QLatin1Char('0')),
                                QStringLiteral("528300"), QStringLiteral("家长%1").arg(n), QStringLiteral("父亲"),
                                QStringLiteral("138%1").arg(n, 8, 10, QLatin1Char('0'))};
        for (int c = 0; c < cells.size(); ++c)
            sheet.setCellText(n + 2, c + 1, cells.at(c));
    }
    book.saveAs(path);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? atoi(argv[1]) : 2000;
    const int runs = argc > 2 ? atoi(argv[2]) : 5;
    TestEnv env;
    RegionTables regions;
    regions.LoadRegionTables();
    const QString list = env.path(QStringLiteral("名单.xlsx"));
    writeList(list, rows);
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
    out << imported << " rows imported per run (every 50th has a wrong check character)" << Qt::endl;
    return 0;
}
