#pragma once

#include "platform/database.h"
#include "platform/table_name.h"

// One transaction on a database: begun on construction, rolled back on
// destruction unless commit() was reached, so a failure anywhere between
// leaves the database as it was before. Used from the user-interface thread only.
class Transaction
{
public:
    explicit Transaction(Database &db) : m_db(db) { m_db.beginTransaction(); }
    ~Transaction()
    {
        if (m_open) {
            try {
                m_db.rollbackTransaction();
            } catch (...) {
                // The failure that brought us here is the one to report; an
                // engine that lost the connection has undone the work itself.
            }
        }
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // A commit the engine refuses (a locked file, a lost server) throws and
    // leaves the transaction open, so the destructor still rolls it back.
    void commit()
    {
        m_db.commitTransaction();
        m_open = false;
    }

private:
    Database &m_db;
    bool m_open = true;
};

// Inside a transaction: holds the table against other writers until the
// transaction ends (readers go on), so a test of its rows and the writes that
// depend on it see the same table. A local file's transaction holds the whole
// file from its start already.
void lockAgainstWriters(Database &db, const TableName &table);
