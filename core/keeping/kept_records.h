#pragma once

#include <QList>
#include <QString>

class Database;

// The records taken out of their class (tavro_removed): kept whole with their
// class, id, reason, time and who, until brought back or deleted for good.
// Used from the user-interface thread only.
namespace KeptRecords {

// Makes the keeping table when the database lacks it; call before the
// transaction that takes records out.
void prepare(Database &db);

// Inside the caller's transaction: copies the records with these ids into the
// keeping table, deletes them from the class table and writes a history line
// 移出 for each. Returns how many were taken out (ids not in the table are skipped).
int takeOut(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &reason, qint64 act = 0);

} // namespace KeptRecords
