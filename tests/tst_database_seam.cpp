// Runs on every database engine.
// Writes of several statements are all or nothing: the transaction guard
// rolls back on any failure (a refused commit included), and the template
// tables are made both or neither.
#include <QtTest>

#include "core/operations/template_tables.h"
#include "platform/app_error.h"
#include "platform/transaction.h"
#include "test_env.h"

namespace {

// Passes every call to a real database; a statement holding `failOn`, or the
// first commit when `refuseCommit` is set, fails as the engine would.
class FailingDatabase final : public Database
{
public:
    explicit FailingDatabase(Database &inner) : m_inner(inner) {}

    Engine engine() const override { return m_inner.engine(); }
    QueryResult query(const SqlStatement &sql) override { return m_inner.query(sql); }
    qint64 execute(const SqlStatement &sql) override
    {
        if (!failOn.isEmpty() && sql.text.contains(failOn))
            throw DatabaseError(QStringLiteral("disk I/O error"));
        return m_inner.execute(sql);
    }
    QStringList tableNames() override { return m_inner.tableNames(); }
    QDateTime currentDateTime() override { return m_inner.currentDateTime(); }
    void beginTransaction() override { m_inner.beginTransaction(); }
    void commitTransaction() override
    {
        if (refuseCommit) {
            refuseCommit = false;
            throw DatabaseError(QStringLiteral("database is locked"));
        }
        m_inner.commitTransaction();
    }
    void rollbackTransaction() override
    {
        ++rollbacks;
        m_inner.rollbackTransaction();
    }
    QString filePath() const override { return m_inner.filePath(); }

    QString failOn;
    bool refuseCommit = false;
    int rollbacks = 0;

private:
    Database &m_inner;
};

int rowCount(Database &db, const QString &table)
{
    return db.query(QStringLiteral("select count(*) from ") + table).text(0, 0).toInt();
}

} // namespace

class TestDatabaseSeam : public QObject
{
    Q_OBJECT

private slots:
    void transactionKeepsOnlyWhatWasCommitted();
    void templateTablesAreBothOrNeither();
};

void TestDatabaseSeam::transactionKeepsOnlyWhatWasCommitted()
{
    TestEnv env;
    env.createClassTable(QStringLiteral("高一01"));
    FailingDatabase db(*env.db);
    const QString insert = QStringLiteral("insert into 高一01 (姓名) values ('张三')");

    // A failure between begin and commit undoes what went before it.
    try {
        Transaction transaction(db);
        db.execute(insert);
        throw AppError(QStringLiteral("stopped"));
    } catch (const AppError &) {
    }
    QCOMPARE(rowCount(*env.db, QStringLiteral("高一01")), 0);

    // A commit the engine refuses leaves nothing open behind it.
    db.refuseCommit = true;
    {
        Transaction transaction(db);
        db.execute(insert);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, transaction.commit());
    }
    QCOMPARE(db.rollbacks, 2);
    QCOMPARE(rowCount(*env.db, QStringLiteral("高一01")), 0);

    // Committed work stays, and the connection takes a new transaction.
    {
        Transaction transaction(db);
        db.execute(insert);
        transaction.commit();
    }
    QCOMPARE(db.rollbacks, 2);
    QCOMPARE(rowCount(*env.connectAgain(), QStringLiteral("高一01")), 1);
}

void TestDatabaseSeam::templateTablesAreBothOrNeither()
{
    TestEnv env;
    env.db->execute(QStringLiteral("drop table Init2"));
    env.db->execute(QStringLiteral("drop table Init1"));
    FailingDatabase db(*env.db);
    db.failOn = QStringLiteral("CREATE TABLE Init1");
    QVERIFY_THROWS_EXCEPTION(DatabaseError, TemplateTables::create(db));
    QCOMPARE(env.db->tableNames(), QStringList());

    db.failOn.clear();
    TemplateTables::create(db);
    QCOMPARE(env.db->tableNames(), QStringList({QStringLiteral("Init2"), QStringLiteral("Init1")}));
}

QTEST_GUILESS_MAIN(TestDatabaseSeam)
#include "tst_database_seam.moc"
