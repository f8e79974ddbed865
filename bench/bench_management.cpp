// Times the management operations over many class tables: each data check end
// to end (statements and check.txt), the merge, the padding and the opening of
// the management window. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_management [tables=200] [rows=50] [runs=7]
#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "core/operations/data_checks.h"
#include "manage/management_window.h"
#include "core/operations/region_code_padding.h"
#include "core/operations/table_merge.h"
#include "core/record/id_number_check.h"
#include "platform/sql_text.h"
#include "bench_timing.h"
#include "test_env.h"

namespace {

QTextStream out(stdout);

void report(const QString &what, double ms)
{
    out << what.leftJustified(24, QLatin1Char(' ')) << QString::number(ms, 'f', 1).rightJustified(9) << " ms" << Qt::endl;
}

QString idNumber(int n)
{
    const QString first17 = QStringLiteral("44060620%1%2").arg(8 + n % 2, 2, 10, QLatin1Char('0')).arg(n % 100000, 7, 10, QLatin1Char('0'));
    QString id = first17.left(8) + QStringLiteral("0101") + first17.mid(12, 5);
    id += IdNumberCheck::checkCharacter(id);
    if (n % 17 == 0)
        id[17] = id[17] == QLatin1Char('1') ? QLatin1Char('2') : QLatin1Char('1'); // a few wrong ones
    return id;
}

QStringList makeClassTables(TestEnv &env, int tables, int rows)
{
    static const QStringList grades = QStringLiteral("高一 高二 高三 初一 初二 初三 小一 小二 小三 小四 小五 小六").split(QLatin1Char(' '));
    static const QString surnames = QStringLiteral("赵钱孙李周吴郑王冯陈褚卫蒋沈韩杨朱秦尤许何吕施张孔曹严华金魏陶姜");
    static const QString given = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英");
    QStringList names;
    for (int t = 0; t < tables; ++t) {
        // 高一01 .. 高一30, 高二01 ..; past 小六30 the names repeat with a suffix.
        const QString name = grades.at(t / 30 % grades.size()) + QStringLiteral("%1").arg(t % 30 + 1, 2, 10, QLatin1Char('0'));
        names << (t < 30 * grades.size() ? name : name + QStringLiteral("_%1").arg(t));
    }
    env.db->execute(QStringLiteral("begin"));
    int n = 0;
    for (const QString &table : names) {
        env.createClassTable(table);
        for (int r = 0; r < rows; ++r, ++n) {
            const QString student = QString(surnames.at(n % surnames.size())) + given.at(n * 7 % given.size())
                + (n % 3 ? QString(given.at(n * 11 % given.size())) : QString());
            env.db->execute(
                QStringLiteral("insert into %1 (姓名, 班号, 籍贯, 入学方式, 就读方式, 身份证件类型, 身份证件号, 出生地行政区划代码, "
                               "户口所在地行政区划, 成员1户口所在地行政区划, 成员2户口所在地行政区划) values "
                               "(%2, '%3', %4, '1-就近入学', '%5', '%6', '%7', '%8', '440606000000', '440606', null)")
                    .arg(table, SqlText::quote(student), table.right(2),
                         SqlText::quote(n % 13 ? QStringLiteral("广东省佛山市顺德区") : QStringLiteral("广东")),
                         n % 4 ? QStringLiteral("1-走读") : QStringLiteral("2-住校"),
                         n % 29 ? QStringLiteral("1-居民身份证") : QStringLiteral("2-护照"), idNumber(n),
                         n % 5 ? QStringLiteral("440606000000") : QStringLiteral("440606")));
        }
    }
    env.db->execute(QStringLiteral("commit"));
    return names;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int tables = args.size() > 1 ? args.at(1).toInt() : 200;
    const int rows = args.size() > 2 ? args.at(2).toInt() : 50;
    const int runs = args.size() > 3 ? args.at(3).toInt() : 7;

    TestEnv env;
    const QStringList names = makeClassTables(env, tables, rows);
    out << tables << " class tables of " << rows << " students, median of " << runs << " runs" << Qt::endl;

    DataChecks checks(*env.db, env.dir.path());
    for (DataChecks::Check check : DataChecks::all())
        report(QStringLiteral("check ") + DataChecks::caption(check), medianMs(runs, [&] { checks.run(check, names); }));
    report(QStringLiteral("merge"), medianMs(runs, [&] { TableMerge::mergeTables(*env.db, names, TableMerge::defaultTarget(), true); }));
    QElapsedTimer padTimer;
    padTimer.start();
    const qint64 padded = RegionCodePadding::padRegionCodes(*env.db, names);
    report(QStringLiteral("pad (%1 values)").arg(padded), padTimer.nsecsElapsed() / 1e6);
    report(QStringLiteral("pad (nothing short)"), medianMs(runs, [&] { RegionCodePadding::padRegionCodes(*env.db, names); }));

    QElapsedTimer first;
    first.start();
    auto window = std::make_unique<ManagementWindow>(*env.db, env.services);
    window->show();
    app.processEvents();
    report(QStringLiteral("open window (first)"), first.nsecsElapsed() / 1e6);
    report(QStringLiteral("open window (again)"), medianMs(runs, [&] {
               window->hide();
               window->show();
               app.processEvents();
           }));
    return 0;
}
