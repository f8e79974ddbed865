#pragma once

#include <QStringList>

#include "platform/database.h"

// Passes every call to a real database and records the statement texts, so a
// test can tell how many statements an operation issued and which.
class RecordingDatabase final : public Database
{
public:
    explicit RecordingDatabase(Database &inner) : m_inner(inner) {}

    Engine engine() const override { return m_inner.engine(); }
    QueryResult query(const SqlStatement &sql) override
    {
        statements << sql.logText();
        return m_inner.query(sql);
    }
    qint64 execute(const SqlStatement &sql) override
    {
        statements << sql.logText();
        return m_inner.execute(sql);
    }
    QStringList tableNames() override
    {
        ++tableListings;
        return m_inner.tableNames();
    }
    QDateTime currentDateTime() override { return m_inner.currentDateTime(); }
    void beginTransaction() override { m_inner.beginTransaction(); }
    void commitTransaction() override { m_inner.commitTransaction(); }
    void rollbackTransaction() override { m_inner.rollbackTransaction(); }
    QString filePath() const override { return m_inner.filePath(); }

    QStringList statements;
    int tableListings = 0;

private:
    Database &m_inner;
};
