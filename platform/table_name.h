#pragma once

#include <QString>

#include "platform/database.h"

// A table's name as the catalogue, a list or a user gives it. Its only form in
// a statement is sql(): a plain name (letters, CJK characters, digits,
// underscores) as written, any other quoted by the engine's rules, so a name
// can only ever name its own table. Any thread.
// Whether the database has a table or view of this name; a server may keep
// the name in another letter case. One catalogue read per call.
bool tableExists(Database &db, const QString &name);

class TableName
{
public:
    TableName() = default;
    explicit TableName(QString name) : m_name(std::move(name)) {}

    // The name as the user sees it (lists, messages, check.txt).
    const QString &text() const { return m_name; }
    bool isEmpty() const { return m_name.isEmpty(); }

    // The name for a statement on the engine. Throws AppError for a name no
    // statement may carry (empty, or holding control characters).
    QString sql(Database::Engine engine) const;
    QString sql(const Database &db) const { return sql(db.engine()); }

    friend bool operator==(const TableName &a, const TableName &b) { return a.m_name == b.m_name; }

private:
    QString m_name;
};
