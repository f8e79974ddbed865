// Failures of the local file are told in Chinese with what to do, SQLite's own
// text on the second line.
#include <QtTest>

#include "platform/app_error.h"
#include "student_rows.h"
#include "test_env.h"

class TestLocalFailureTexts : public QObject
{
    Q_OBJECT

private slots:
    void lockedAndReadOnly();
    void damagedFile();
};

static QStringList failureLines(Database &db, const QString &sql)
{
    try {
        db.execute(sql);
    } catch (const DatabaseError &e) {
        return e.text().split(QLatin1Char('\n'));
    }
    return {};
}

void TestLocalFailureTexts::lockedAndReadOnly()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    const QString insert = QStringLiteral("insert into 高一01 (姓名) values ('张三')");

    auto other = env.connectAgain();
    other->beginTransaction();
    other->execute(QStringLiteral("insert into 高一01 (姓名) values ('李四')"));
    QStringList lines = failureLines(*env.db, insert); // after the 5 s wait
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).contains(QStringLiteral("正被另一个程序")), qPrintable(lines.at(0)));
    QCOMPARE(lines.at(1), QStringLiteral("database is locked"));
    other->rollbackTransaction();

    env.db->execute(QStringLiteral("PRAGMA query_only = 1"));
    lines = failureLines(*env.db, insert);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).contains(QStringLiteral("只读")), qPrintable(lines.at(0)));
    QVERIFY(lines.at(1).contains(QStringLiteral("readonly")));

    // Other failures keep the engine's text alone.
    QCOMPARE(failureLines(*env.db, QStringLiteral("select * from 没有的表")), QStringList{"no such table: 没有的表"});
}

void TestLocalFailureTexts::damagedFile()
{
    TestEnv env(QStringLiteral("sqlite"));
    env.createClassTable(QStringLiteral("高一01"));
    for (int i = 0; i < 200; ++i)
        insertStudent(*env.db, QStringLiteral("高一01"), {{QStringLiteral("姓名"), QString(500, QChar(u'张'))}});
    const QString path = env.db->filePath();
    env.db.reset();

    // The header and the catalogue survive; the class table's pages do not.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    QVERIFY(file.seek(size / 2));
    file.write(QByteArray(size / 4, '\xa5'));
    file.close();

    // Found when the file is opened or at the latest when the table is read.
    QString text;
    try {
        env.db = SqlDatabase::openSqlite(path, SqliteMode::ReadWrite);
        env.db->query(QStringLiteral("select count(*), max(姓名) from 高一01"));
    } catch (const DatabaseError &e) {
        text = e.text();
    }
    QVERIFY2(text.section(QLatin1Char('\n'), 0, 0).contains(QStringLiteral("损坏")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("malformed")), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestLocalFailureTexts)
#include "tst_local_failure_texts.moc"
