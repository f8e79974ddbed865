// Time of one save of the entry form, without the window: the content rules,
// the value clean-up, the duplicate query, the statement, debug.txt and the
// INSERT (or UPDATE) with its history lines in one transaction, against a
// class table already holding 2,000 students in a temporary SQLite file;
// beside it the same save without the history (the statement alone, as
// saves were before the history), taken in turns so load hits both alike.
//
//   bench_save [saves=200] [rows=2000]
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "core/operations/template_tables.h"
#include "core/record/entry_rules.h"
#include "core/record/id_number_check.h"
#include "core/record/record_rules.h"
#include "core/record/record_columns.h"
#include "core/record/record_saver.h"
#include "core/record/save_statements.h"
#include "platform/sql_database.h"
#include "platform/text_file.h"
#include "platform/transaction.h"

namespace {

const QString kTable = QStringLiteral("高一01");

// A resident ID number of a girl born 2000-03-15, its check character right.
QString cardNoOf(int n)
{
    const QString first17 = QStringLiteral("44060620000315%1").arg((n % 500) * 2, 3, 10, QLatin1Char('0'));
    return first17 + IdNumberCheck::checkCharacter(first17);
}

QStringList studentValues(int n)
{
    using namespace RecordColumns;
    QStringList v(Count, QStringLiteral("0-否"));
    v[Name] = EntryRules::StripBlanks(QStringLiteral("学生 %1").arg(n));
    v[Sex] = QStringLiteral("2-女");
    v[BirthDate] = QStringLiteral("20000315");
    v[Jiguan] = EntryRules::StripBlanks(QStringLiteral("广东省 佛山市 顺德区"));
    v[CardNo] = cardNoOf(n);
    v[EntryYearMonth] = QStringLiteral("201509");
    v[Addr] = v[Post] = v[Family] = v[Member1Addr] = v[Member2Addr] =
        EntryRules::StripBlanks(QStringLiteral("佛山市顺德区大良街道 O'Brien 路 %1 号").arg(n));
    v[Contact] = v[Member1Contact] = v[Member2Contact] = QStringLiteral("13800138000");
    v[Zip] = QStringLiteral("528300");
    for (int i : {BirthRegion, HukouRegion, Member1Region, Member2Region})
        v[i] = QStringLiteral("440606000000");
    for (int i : {BirthRegionText, HukouRegionText, Member1RegionText, Member2RegionText})
        v[i] = QStringLiteral("广东省佛山市顺德区");
    v[ClassCode] = EntryRules::classCode(QStringLiteral("2015"), kTable, QStringLiteral("01"));
    return v;
}

// What a press of the save button does below the window, for one student.
bool saveOnce(RecordSaver &saver, int n, qint64 id)
{
    const QStringList values = studentValues(n);
    if (!RecordRules::failures(values, QDateTime(QDate(2015, 10, 15), QTime(10, 30))).isEmpty())
        return false;
    const QString typedName = QStringLiteral("学生 %1").arg(n);
    return saver.saveRecord(id, values, typedName, values.at(RecordColumns::CardNo), [](const QString &) { return true; });
}

struct Stats
{
    double median, mean, min, max;
};

Stats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    return {median, std::accumulate(ms.begin(), ms.end(), 0.0) / double(n), ms.front(), ms.back()};
}

void print(const char *what, const Stats &s, int count)
{
    std::printf("%-11s %4d saves: median %.3f ms, mean %.3f ms, min %.3f ms, max %.3f ms\n", what, count, s.median,
                s.mean, s.min, s.max);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int saves = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;
    const int rows = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 2000;

    QTemporaryDir dir;
    auto db = SqlDatabase::openSqlite(dir.filePath(QStringLiteral("tavro.db")), SqliteMode::Create);
    TemplateTables::create(*db);
    db->execute(QStringLiteral("Select * into ") + kTable + QStringLiteral(" from Init2 where 1 <> 1"));
    {
        Transaction transaction(*db);
        for (int n = 0; n < rows; ++n)
            db->execute(SaveStatements::insertStatement(TableName(kTable), db->engine(), studentValues(n)));
        transaction.commit();
    }

    const QString debugPath = dir.filePath(QStringLiteral("debug.txt"));
    RecordSaver saver(*db, kTable, debugPath);
    // The save as it was before the history: rules, duplicate query (inserts),
    // debug.txt and the one statement in its own implicit transaction.
    auto saveWithoutHistory = [&](int n, qint64 id) {
        const QStringList values = studentValues(n);
        if (!RecordRules::failures(values, QDateTime(QDate(2015, 10, 15), QTime(10, 30))).isEmpty())
            return false;
        const TableName table(kTable);
        SqlStatement statement = id == 0 ? SaveStatements::insertStatement(table, db->engine(), values)
                                         : SaveStatements::updateStatement(table, db->engine(), values, id);
        if (id == 0)
            db->query(SaveStatements::duplicateQuery(table, db->engine(), values.at(RecordColumns::Name),
                                                     values.at(RecordColumns::CardNo)));
        TextFile::writeGb18030(debugPath, statement.logText());
        return db->execute(statement) > 0;
    };
    std::vector<double> inserts, updates, plainInserts, plainUpdates;
    QElapsedTimer timer;
    for (int i = 0; i < saves; ++i) {
        timer.start();
        const bool ok = saveOnce(saver, rows + 2 * i, 0);
        inserts.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        const bool plainOk = saveWithoutHistory(rows + 2 * i + 1, 0);
        plainInserts.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!ok || !plainOk) {
            std::fprintf(stderr, "save %d failed\n", i);
            return 1;
        }
    }
    for (int i = 0; i < saves; ++i) {
        // Every update changes a few fields (name, ID number, addresses):
        // a history line for each.
        timer.start();
        const bool ok = saveOnce(saver, i + 7, 1 + (i * 7) % rows);
        updates.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        const bool plainOk = saveWithoutHistory(i + 11, 1 + (i * 11 + 3) % rows);
        plainUpdates.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!ok || !plainOk) {
            std::fprintf(stderr, "update %d failed\n", i);
            return 1;
        }
    }
    // The same insert taken apart, to show where the time goes: the commit
    // of each statement waits for the disk, the rest is computation.
    std::vector<double> build, duplicate, debugFile, execute;
    for (int i = 0; i < saves; ++i) {
        const int n = rows + saves + i;
        timer.start();
        const QStringList values = studentValues(n);
        const SqlStatement statement = SaveStatements::insertStatement(TableName(kTable), db->engine(), values);
        const SqlStatement query = SaveStatements::duplicateQuery(TableName(kTable), db->engine(), values.at(RecordColumns::Name),
                                                             values.at(RecordColumns::CardNo));
        build.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        db->query(query);
        duplicate.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        TextFile::writeGb18030(dir.filePath(QStringLiteral("debug.txt")), statement.logText());
        debugFile.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        db->execute(statement);
        execute.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    std::printf("class table of %d rows, SQLite file in %s\n", rows, qPrintable(dir.path()));
    print("insert", stats(inserts), saves);
    print(" no history", stats(plainInserts), saves);
    print("update", stats(updates), saves);
    print(" no history", stats(plainUpdates), saves);
    std::printf("the history adds (medians): %.3f ms to an insert, %.3f ms to an update\n",
                stats(inserts).median - stats(plainInserts).median, stats(updates).median - stats(plainUpdates).median);
    std::printf("phases of an insert:\n");
    print(" values+sql", stats(build), saves);
    print(" duplicate", stats(duplicate), saves);
    print(" debug.txt", stats(debugFile), saves);
    print(" execute", stats(execute), saves);
    return 0;
}
