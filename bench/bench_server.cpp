// One save and the data checks on the PostgreSQL server next to the local
// SQLite file, on the same class tables. The server is the one of
// TAVRO_TEST_PG (host:port/database/user/password; a fresh database is made
// there and dropped again); without it only the local file is measured.
//   bench_server [tables=60] [rows=50] [saves=200] [runs=7]
#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "core/record/save_statements.h"
#include "core/operations/data_checks.h"
#include "core/record/id_number_check.h"
#include "bench_timing.h"
#include "test_env.h"

namespace {

QTextStream out(stdout);

QStringList studentValues(int n)
{
    using namespace RecordColumns;
    static const QString surnames = QStringLiteral("赵钱孙李周吴郑王冯陈褚卫蒋沈韩杨朱秦尤许何吕施张孔曹严华金魏陶姜");
    static const QString given = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英");
    QStringList v(Count, QStringLiteral("0-否"));
    v[Name] = QString(surnames.at(n % surnames.size())) + given.at(n * 7 % given.size()) + given.at(n * 11 % given.size())
        + QString::number(n);
    v[Sex] = n % 2 ? QStringLiteral("1-男") : QStringLiteral("2-女");
    v[BirthDate] = QStringLiteral("20080101");
    v[Jiguan] = n % 13 ? QStringLiteral("广东省佛山市顺德区") : QStringLiteral("广东");
    v[CardType] = n % 29 ? QStringLiteral("1-居民身份证") : QStringLiteral("A-护照");
    QString id = QStringLiteral("44060620080101%1").arg(n % 1000, 3, 10, QLatin1Char('0'));
    id += IdNumberCheck::checkCharacter(id);
    if (n % 17 == 0)
        id[17] = id[17] == QLatin1Char('1') ? QLatin1Char('2') : QLatin1Char('1');
    v[CardNo] = id;
    v[EntryYearMonth] = QStringLiteral("201509");
    v[RuxueFangshi] = n % 3 ? QStringLiteral("1-就近入学") : QStringLiteral("2-统一招生");
    v[Jiudu] = n % 4 ? QStringLiteral("1-走读") : QStringLiteral("2-住校");
    v[Addr] = v[Post] = v[Family] = QStringLiteral("佛山市顺德区大良街道 %1 号").arg(n);
    v[Contact] = QStringLiteral("13800138000");
    v[Zip] = QStringLiteral("528300");
    for (int i : {BirthRegion, HukouRegion, Member1Region, Member2Region})
        v[i] = QStringLiteral("440606000000");
    v[ClassCode] = QStringLiteral("2015301");
    return v;
}

struct Timings
{
    double save = 0;
    QList<QPair<QString, double>> checks;
};

Timings measure(const QString &engine, int tables, int rows, int saves, int runs)
{
    TestEnv env(engine);
    static const QStringList grades = QStringLiteral("高一 高二 高三 初一 初二 初三 小一 小二 小三 小四 小五 小六").split(QLatin1Char(' '));
    QStringList names;
    for (int t = 0; t < tables; ++t)
        names << grades.at(t / 30 % grades.size()) + QStringLiteral("%1").arg(t % 30 + 1, 2, 10, QLatin1Char('0'));
    env.db->execute(QStringLiteral("begin"));
    int n = 0;
    for (const QString &table : names) {
        env.createClassTable(table);
        for (int r = 0; r < rows; ++r)
            env.db->execute(SaveStatements::insertStatement(TableName(table), env.db->engine(), studentValues(n++)));
    }
    env.db->execute(QStringLiteral("commit"));

    Timings t;
    RecordSaver saver(*env.db, names.first(), env.path(QStringLiteral("debug.txt")));
    t.save = medianMs(saves, [&](int i) {
        const QStringList v = studentValues(1000000 + i);
        if (!saver.insertRecord(v, v.at(RecordColumns::Name), v.at(RecordColumns::CardNo), [](const QString &) { return true; }))
            qFatal("save %d did not go through", i);
    });
    DataChecks checks(*env.db, env.dir.path());
    checks.ensureIdCheckFunction();
    for (DataChecks::Check c : DataChecks::all())
        t.checks.append({DataChecks::caption(c), medianMs(runs, [&](int) { checks.run(c, names); })});
    return t;
}

QString ms(double v)
{
    return QString::number(v, 'f', 2).rightJustified(10) + QStringLiteral(" ms");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int tables = std::clamp(args.value(1, QStringLiteral("60")).toInt(), 1, 360);
    const int rows = std::max(1, args.value(2, QStringLiteral("50")).toInt());
    const int saves = std::max(1, args.value(3, QStringLiteral("200")).toInt());
    const int runs = std::max(1, args.value(4, QStringLiteral("7")).toInt());

    const bool server = TestEnv::engineAvailable(QStringLiteral("postgresql"));
    const Timings local = measure(QStringLiteral("sqlite"), tables, rows, saves, runs);
    Timings remote;
    if (server)
        remote = measure(QStringLiteral("postgresql"), tables, rows, saves, runs);

    out << tables << " class tables x " << rows << " students; medians of " << saves << " saves and " << runs
        << " runs of each check" << Qt::endl;
    out << QStringLiteral("operation").leftJustified(18) << QStringLiteral("local file").rightJustified(13)
        << (server ? QStringLiteral("PostgreSQL").rightJustified(13) : QString()) << Qt::endl;
    out << QStringLiteral("one save").leftJustified(18) << ms(local.save) << (server ? ms(remote.save) : QString()) << Qt::endl;
    int slowest = 0;
    for (int i = 0; i < local.checks.size(); ++i) {
        const double key = server ? remote.checks.at(i).second : local.checks.at(i).second;
        const double best = server ? remote.checks.at(slowest).second : local.checks.at(slowest).second;
        if (key > best)
            slowest = i;
        out << (QStringLiteral("check ") + local.checks.at(i).first).leftJustified(18) << ms(local.checks.at(i).second)
            << (server ? ms(remote.checks.at(i).second) : QString()) << Qt::endl;
    }
    out << "slowest check: " << local.checks.at(slowest).first << Qt::endl;
    if (!server)
        out << "PostgreSQL not measured: set TAVRO_TEST_PG=host:port/database/user/password" << Qt::endl;
    return 0;
}
