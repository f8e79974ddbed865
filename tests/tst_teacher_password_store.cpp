// The teacher's password kept in the database: only an Argon2id hash stored,
// the first password set once even by two workstations at the same moment, a
// change through `tavro password` with its history line, and the wait after
// five wrong tries.
// Runs on every database engine.
#include <latch>
#include <thread>

#include <QProcess>
#include <QtTest>

#include "core/keeping/history.h"
#include "core/keeping/school_settings.h"
#include "core/keeping/teacher_password.h"
#include "platform/app_error.h"
#include "admin_command_run.h"
#include "test_env.h"

namespace {

QStringList historyKinds(Database &db)
{
    QStringList kinds;
    for (const HistoryLine &line : History::read(db, {}))
        kinds << line.entry.kind;
    return kinds;
}


} // namespace

class TestTeacherPasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void twoFirstSettersOneWins();
    void storedOnlyAsArgon2idAndChangedByCommand();
    void fiveWrongTriesWaitThirtySeconds();
};

void TestTeacherPasswordStore::twoFirstSettersOneWins()
{
    TestEnv env;
    QVERIFY(!TeacherPassword::isSet(*env.db));
    QVERIFY(!TeacherPassword::verify(*env.db, QStringLiteral("anything")));
    QVERIFY_THROWS_EXCEPTION(AppError, TeacherPassword::setFirst(*env.db, QStringLiteral("12345")));
    QVERIFY(!TeacherPassword::isSet(*env.db));

    // Two workstations, each with its own connection, set the first password together.
    const QStringList passwords{QStringLiteral("甲老师的密码"), QStringLiteral("乙老师的密码")};
    std::latch start(2);
    bool won[2] = {false, false};
    QString failure[2];
    auto setter = [&](int i) {
        try {
            const auto db = env.connectAgain();
            start.arrive_and_wait();
            won[i] = TeacherPassword::setFirst(*db, passwords[i]);
        } catch (const AppError &e) {
            failure[i] = e.text();
        }
    };
    std::thread a(setter, 0), b(setter, 1);
    a.join();
    b.join();
    QCOMPARE(failure[0] + failure[1], QString());
    QCOMPARE(int(won[0]) + int(won[1]), 1);
    QVERIFY(TeacherPassword::verify(*env.db, passwords[won[0] ? 0 : 1]));
    QCOMPARE(historyKinds(*env.db), QStringList{QStringLiteral("设置密码")});
}

void TestTeacherPasswordStore::storedOnlyAsArgon2idAndChangedByCommand()
{
    TestEnv env;
    QVERIFY(TeacherPassword::setFirst(*env.db, QStringLiteral("first-pass")));
    const QString stored = SchoolSettings::value(*env.db, QStringLiteral("teacher.password"));
    QVERIFY2(stored.startsWith(QStringLiteral("$argon2id$")), qPrintable(stored));
    QVERIFY(!stored.contains(QStringLiteral("first-pass")));
    // A second first password is refused: the one set stays.
    QVERIFY(!TeacherPassword::setFirst(*env.db, QStringLiteral("second-pass")));
    QCOMPARE(SchoolSettings::value(*env.db, QStringLiteral("teacher.password")), stored);

    // Refused at the command line: too short, then two different ones. Nothing changes.
    AdminCommandRun run = runTavroOn(env, {QStringLiteral("password")}, "short\nshort\n");
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(QStringLiteral("至少要有 6 个字符")), qPrintable(run.err));
    QCOMPARE(SchoolSettings::value(*env.db, QStringLiteral("teacher.password")), stored);
    QCOMPARE(runTavroOn(env, {QStringLiteral("password")}, "").status, 2);
    QCOMPARE(SchoolSettings::value(*env.db, QStringLiteral("teacher.password")), stored);

    run = runTavroOn(env, {QStringLiteral("password")}, "新的密码 with spaces\n");
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(QStringLiteral("新的教师密码已生效")), qPrintable(run.out + run.err));
    QVERIFY(TeacherPassword::verify(*env.db, QStringLiteral("新的密码 with spaces")));
    QVERIFY(!TeacherPassword::verify(*env.db, QStringLiteral("first-pass")));
    QCOMPARE(historyKinds(*env.db), (QStringList{QStringLiteral("设置密码"), QStringLiteral("修改密码")}));
    for (const HistoryLine &line : History::read(*env.db, {}))
        QVERIFY(!History::lineText(line).contains(QStringLiteral("新的密码")));
}

void TestTeacherPasswordStore::fiveWrongTriesWaitThirtySeconds()
{
    const QDateTime start(QDate(2024, 9, 2), QTime(8, 0));
    FixedClock clock(start);
    PasswordTries tries(clock);
    for (int i = 0; i < 4; ++i)
        tries.wrong();
    QCOMPARE(tries.secondsToWait(), 0);
    tries.right(); // a right one starts the count afresh
    for (int i = 0; i < 4; ++i)
        tries.wrong();
    QCOMPARE(tries.secondsToWait(), 0);
    tries.wrong();
    QCOMPARE(tries.secondsToWait(), 30);
    clock.set(start.addMSecs(29500));
    QCOMPARE(tries.secondsToWait(), 1);
    clock.set(start.addSecs(30));
    QCOMPARE(tries.secondsToWait(), 0);
}

QTEST_GUILESS_MAIN(TestTeacherPasswordStore)
#include "tst_teacher_password_store.moc"
