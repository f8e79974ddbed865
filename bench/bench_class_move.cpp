// Moving a whole class of pupils to another class table (and taking them out
// and back) in a local file: medians of several runs.
// build/bench/bench_class_move [pupils] [runs]
#include <QCoreApplication>
#include <QTextStream>

#include "bench_timing.h"
#include "core/keeping/class_move.h"
#include "core/keeping/kept_records.h"
#include "core/record/record_columns.h"
#include "platform/transaction.h"
#include "test_env.h"

namespace {

void fill(Database &db, const QString &table, int pupils)
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), RecordColumns::Count);
    const QString insert = QStringLiteral("insert into %1 (%2) values (%3)")
                               .arg(table, RecordColumns::dataColumns().join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    Transaction transaction(db);
    for (int p = 0; p < pupils; ++p) {
        QVariantList values;
        for (int i = 0; i < RecordColumns::Count; ++i)
            values << QStringLiteral("学生%1的第%2项").arg(p).arg(i);
        values[RecordColumns::EntryYearMonth] = QStringLiteral("201409");
        db.execute(SqlStatement(insert, values));
    }
    transaction.commit();
}

QList<qint64> ids(Database &db, const QString &table)
{
    const QueryResult r = db.query(QStringLiteral("select id from %1").arg(table));
    QList<qint64> out;
    for (int i = 0; i < r.rowCount(); ++i)
        out << r.text(i, 0).toLongLong();
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int pupils = argc > 1 ? atoi(argv[1]) : 2000;
    const int runs = argc > 2 ? atoi(argv[2]) : 5;
    TestEnv env(QStringLiteral("sqlite"));
    Database &db = *env.db;
    env.createClassTable(QStringLiteral("高一01"));
    fill(db, QStringLiteral("高一01"), pupils);
    KeptRecords::prepare(db);
    QTextStream out(stdout);

    const QStringList classes = {QStringLiteral("高一01"), QStringLiteral("高一02")};
    const double move = medianMs(runs, [&](int run) {
        const QString from = classes.at(run % 2);
        ClassMove::move(db, from, ids(db, from), classes.at((run + 1) % 2), QDate(2015, 10, 1));
    });
    out << QStringLiteral("move %1 pupils to another class: median %2 ms").arg(pupils).arg(move, 0, 'f', 1) << Qt::endl;

    const QString full = classes.at(runs % 2);
    const double takeOut = medianMs(runs, [&] {
        KeptRecords::takeOutNow(db, full, ids(db, full), QStringLiteral("转学"));
        QList<qint64> kept;
        for (const KeptRecords::Kept &k : KeptRecords::list(db))
            kept << k.keptId;
        KeptRecords::bringBack(db, kept);
    });
    out << QStringLiteral("take %1 pupils out and bring them back: median %2 ms").arg(pupils).arg(takeOut, 0, 'f', 1)
        << Qt::endl;
    return 0;
}
