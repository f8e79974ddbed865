#pragma once

#include <QString>
#include <QVariantList>

#include "platform/table_name.h"

class Database;

// Rows put into a class table by the program itself (a record brought back,
// a pupil moved): with a chosen id or with the next one the table gives.
// The caller holds the table against other writers (lockAgainstWriters) in its
// transaction. Used from the user-interface thread only.
namespace ClassRows {

bool idFree(Database &db, const TableName &table, qint64 id);

// Inserts the 47 data values (RecordColumns::dataColumns() order) under this id;
// the table's own numbering goes on past it, so the id is never handed out again.
void insertWithId(Database &db, const TableName &table, qint64 id, const QVariantList &values);

// Inserts the values under the next id of the table; returns that id.
qint64 insertNew(Database &db, const TableName &table, const QVariantList &values);

// "姓名, 性别, …": the data columns for a statement.
QString columnList();

} // namespace ClassRows
