// The web form's queue: a submission waits outside the class table until the
// teacher accepts it (stored as the entry form stores the same inputs, or
// completing the pupil with the same ID number) or returns it with a note the
// submitter reads through their receipt; the command line's review.
// Runs on every database engine.
#include <latch>
#include <thread>

#include <QtTest>

#include "cli/command_line.h"
#include "core/keeping/history.h"
#include "core/record/entry_year.h"
#include "core/record/record_columns.h"
#include "core/webform/submission_queue.h"
#include "core/webform/web_submission.h"
#include "entry_form_driver.h"
#include "platform/app_error.h"
#include "admin_command_run.h"
#include "test_env.h"
#include "ui_entry_form.h"
#include "web_form_inputs.h"

using namespace RecordColumns;
using SubmissionQueue::State;

namespace {

const QString kTable = QStringLiteral("高一01");

QStringList row(Database &db, qint64 id)
{
    const QueryResult r = db.query(SqlStatement(
        QStringLiteral("select %1 from %2 where id = ?").arg(dataColumns().join(QStringLiteral(", ")), kTable), {id}));
    QStringList values;
    for (int c = 0; !r.isEmpty() && c < r.columnCount(); ++c)
        values << r.text(0, c);
    return values;
}

int pupils(Database &db)
{
    return db.query(QStringLiteral("select count(*) from ") + kTable).text(0, 0).toInt();
}

// The history lines of the pupil: the 网上填报 head and the lines of its act.
QList<HistoryLine> actOf(Database &db, qint64 pupilId)
{
    HistoryFilter filter;
    filter.classTable = kTable;
    filter.pupilId = pupilId;
    QList<HistoryLine> lines = History::read(db, filter);
    for (const HistoryLine &line : lines)
        if (line.entry.kind == QStringLiteral("网上填报"))
            return History::readAct(db, line.number);
    return {};
}


} // namespace

class TestSubmissionQueue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_regions.LoadRegionTables(); }
    void acceptedNewPupilEqualsTheFormsSave();
    void acceptCompletesTheImportedPupilReviewShowsDifferences();
    void returnedNoteSeenThroughOwnReceiptOnly();
    void simultaneousSubmissionsAllLand();
    void commandLineReview();

private:
    QStringList judged(const QDateTime &now, const QString &name = QStringLiteral("张 三"))
    {
        const WebSubmission::Judgement j =
            WebSubmission::judge(WebFormInputs::driversPupil(m_regions, name), kTable, now, m_regions);
        return j.accepted() ? j.values : QStringList();
    }

    RegionTables m_regions;
};

void TestSubmissionQueue::acceptedNewPupilEqualsTheFormsSave()
{
    TestEnv env;
    EntryFormDriver driver(env);
    driver.fillStudent();
    // The form's year list as the class setup preselects it: what the web form stores.
    const QDateTime now = driver.startupDate();
    EntryFormDriver::choose(driver.ui()->cbYear, QString::number(EntryYear::forGrade(QStringLiteral("高一"), now.date())));
    driver.clickSave();
    const QStringList formRow = driver.storedRow(1);
    QCOMPARE(formRow.size(), int(Count));
    Database &db = *env.db;
    db.execute(QStringLiteral("delete from ") + kTable);

    const QStringList values = judged(now);
    QVERIFY(!values.isEmpty());
    SubmissionQueue::prepare(db);
    const QString receipt = SubmissionQueue::submit(db, kTable, values, QStringLiteral("10.0.0.7"));
    QCOMPARE(pupils(db), 0);
    const QList<SubmissionQueue::ForReview> queued = SubmissionQueue::list(db, kTable);
    QCOMPARE(queued.size(), 1);
    QCOMPARE(queued.first().matchedPupilId, 0);
    QCOMPARE(queued.first().submitter, QStringLiteral("10.0.0.7"));

    const QList<SubmissionQueue::Outcome> outcomes =
        SubmissionQueue::accept(db, kTable, {queued.first().id}, QStringLiteral("李老师"), env.path("debug.txt"));
    QVERIFY2(outcomes.first().done, qPrintable(outcomes.first().text));
    QCOMPARE(row(db, outcomes.first().pupilId), formRow);

    const QList<HistoryLine> act = actOf(db, outcomes.first().pupilId);
    QCOMPARE(act.size(), 2);
    QVERIFY(act.at(0).entry.detail.contains(QStringLiteral("李老师")));
    QCOMPARE(act.at(1).entry.kind, QStringLiteral("新增"));

    // Reviewed once: a second accept writes nothing, the receipt shows the state alone.
    QVERIFY(!SubmissionQueue::accept(db, kTable, {queued.first().id}, QStringLiteral("王老师"), env.path("debug.txt"))
                 .first()
                 .done);
    QCOMPARE(pupils(db), 1);
    const auto view = SubmissionQueue::byReceipt(db, kTable, receipt);
    QVERIFY(view);
    QCOMPARE(view->state, State::Accepted);
    QVERIFY(view->values.isEmpty());
}

void TestSubmissionQueue::acceptCompletesTheImportedPupilReviewShowsDifferences()
{
    TestEnv env;
    env.createClassTable(kTable);
    Database &db = *env.db;
    db.execute(QStringLiteral("insert into 高一01 (姓名, 身份证件号, 入学年月, 班号, 联系电话) values "
                              "('张三', '440606200003151242', '201409', '2014301', '13900000000')"));
    const QStringList values = judged(env.db->currentDateTime());
    SubmissionQueue::submit(db, kTable, values, QStringLiteral("10.0.0.8"));

    const SubmissionQueue::ForReview review = SubmissionQueue::list(db, kTable).first();
    QCOMPARE(review.matchedPupilId, 1);
    QCOMPARE(review.matchedValues.at(Contact), QStringLiteral("13900000000"));
    QHash<QString, QPair<QString, QString>> changed;
    for (const SubmissionQueue::Difference &d : review.differences)
        changed.insert(d.field, {d.stored, d.submitted});
    QCOMPARE(changed.value(QStringLiteral("联系电话")), qMakePair(QStringLiteral("13900000000"), QStringLiteral("13800138000")));
    QCOMPARE(changed.value(QStringLiteral("性别")), qMakePair(QString(), QStringLiteral("2-女")));
    // What the school set stays; the record's name and number already agree.
    for (const QString &kept : {"入学年月", "班号", "姓名", "身份证件号"})
        QVERIFY2(!changed.contains(kept), qPrintable(kept));

    const SubmissionQueue::Outcome outcome =
        SubmissionQueue::accept(db, kTable, {review.id}, QStringLiteral("李老师"), env.path("debug.txt")).first();
    QVERIFY2(outcome.done && outcome.updated && outcome.pupilId == 1, qPrintable(outcome.text));
    QCOMPARE(pupils(db), 1);
    QStringList expected = values;
    expected[EntryYearMonth] = QStringLiteral("201409");
    expected[ClassCode] = QStringLiteral("2014301");
    QCOMPARE(row(db, 1), expected);
    const QList<HistoryLine> act = actOf(db, 1);
    QCOMPARE(act.size(), 1 + review.differences.size());
    QCOMPARE(act.at(1).entry.kind, QStringLiteral("修改"));
    QVERIFY(SubmissionQueue::list(db, kTable).first().differences.isEmpty());
}

void TestSubmissionQueue::returnedNoteSeenThroughOwnReceiptOnly()
{
    TestEnv env;
    env.createClassTable(kTable);
    Database &db = *env.db;
    const QStringList zhang = judged(env.db->currentDateTime());
    QStringList li = zhang;
    li[Name] = QStringLiteral("李四");
    const QString rZhang = SubmissionQueue::submit(db, kTable, zhang, QStringLiteral("10.0.0.9"));
    const QString rLi = SubmissionQueue::submit(db, kTable, li, QStringLiteral("10.0.0.10"));
    QVERIFY(rZhang != rLi);
    const qint64 idZhang = SubmissionQueue::list(db, kTable).first().id;

    QVERIFY(SubmissionQueue::reject(db, kTable, {idZhang}, QStringLiteral("请核对出生日期"), QStringLiteral("李老师")).first().done);
    const auto own = SubmissionQueue::byReceipt(db, kTable, rZhang);
    QVERIFY(own && own->state == State::Returned);
    QCOMPARE(own->note, QStringLiteral("请核对出生日期"));
    QVERIFY(own->values.isEmpty());
    const auto other = SubmissionQueue::byReceipt(db, kTable, rLi);
    QVERIFY(other && other->state == State::Waiting && other->note.isEmpty());
    QCOMPARE(other->values.at(Name), QStringLiteral("李四"));
    // Another class, a changed character, something else entirely: nothing.
    QVERIFY(!SubmissionQueue::byReceipt(db, QStringLiteral("高一02"), rLi));
    QVERIFY(!SubmissionQueue::byReceipt(db, kTable, rLi.left(21) + (rLi.endsWith('A') ? 'B' : 'A')));
    QVERIFY(!SubmissionQueue::byReceipt(db, kTable, QStringLiteral("' or '1'='1")));
    QVERIFY(!SubmissionQueue::byReceipt(db, kTable, SubmissionQueue::table));

    // A returned submission is not accepted afterwards.
    QVERIFY(!SubmissionQueue::accept(db, kTable, {idZhang}, QStringLiteral("李老师"), env.path("debug.txt")).first().done);
    QCOMPARE(pupils(db), 0);
    QCOMPARE(SubmissionQueue::count(db, kTable), 1);
}

void TestSubmissionQueue::simultaneousSubmissionsAllLand()
{
    TestEnv env;
    env.createClassTable(kTable);
    SubmissionQueue::prepare(*env.db);
    const QStringList values = judged(env.db->currentDateTime());
    constexpr int kThreads = 6;
    constexpr int kEach = 10;
    std::latch start(kThreads);
    QStringList failures[kThreads];
    QStringList receipts[kThreads];
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            try {
                const std::unique_ptr<SqlDatabase> db = env.connectAgain();
                start.arrive_and_wait();
                for (int i = 0; i < kEach; ++i)
                    receipts[t] << SubmissionQueue::submit(*db, kTable, values, QStringLiteral("10.0.%1.%2").arg(t).arg(i));
            } catch (const AppError &e) {
                failures[t] << e.text();
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QSet<QString> distinct;
    for (int t = 0; t < kThreads; ++t) {
        QVERIFY2(failures[t].isEmpty(), qPrintable(failures[t].join('\n')));
        distinct.unite(QSet<QString>(receipts[t].begin(), receipts[t].end()));
    }
    QCOMPARE(distinct.size(), kThreads * kEach);
    QCOMPARE(SubmissionQueue::count(*env.db, kTable), kThreads * kEach);
}

void TestSubmissionQueue::commandLineReview()
{
    TestEnv env;
    env.createClassTable(kTable);
    Database &db = *env.db;
    const QString receipt = SubmissionQueue::submit(db, kTable, judged(env.db->currentDateTime()), QStringLiteral("10.0.0.11"));
    const QString id = QString::number(SubmissionQueue::list(db, kTable).first().id);
    const QList<QStringList> wrong = {
        {"submissions"},
        {"submissions", "--table", "高一01", "--ids", id},
        {"accept", "--table", "高一01"},
        {"accept", "--ids", id},
        {"accept", "--table", "高一01", "--ids", "1,x"},
        {"accept", "--table", "高一01", "--ids", id, "--note", "好"},
        {"reject", "--table", "高一01", "--ids", id},
        {"reject", "--table", "高一01", "--ids", id, "--note", "  "},
        {"reject", "--table", "高一01", "--ids", id, "--note", "改", "--reason", "转学"},
    };
    for (const QStringList &args : wrong) {
        const AdminCommandRun r = runAdminOn(env, args);
        QVERIFY2(r.status == 2 && r.err.contains(QStringLiteral("--help")), qPrintable(args.join(' ') + ": " + r.err));
    }
    QCOMPARE(SubmissionQueue::count(db, kTable), 1);
    QCOMPARE(pupils(db), 0);

    AdminCommandRun r = runAdminOn(env, {"submissions", "--table", "高一01"});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(QStringLiteral("\t张三\t440606********1242\t待审核\t（新学生）")), qPrintable(r.out));
    QVERIFY(!r.out.contains(QStringLiteral("440606200003151242")));
    r = runAdminOn(env, {"accept", "--table", "高一01", "--ids", id + ",999"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("999")), qPrintable(r.err));
    QCOMPARE(pupils(db), 1);
    QCOMPARE(SubmissionQueue::byReceipt(db, kTable, receipt)->state, State::Accepted);
}

QTEST_MAIN(TestSubmissionQueue)
#include "tst_submission_queue.moc"
