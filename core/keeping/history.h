#pragma once

#include <QList>
#include <QString>

class Database;

// One line of the history: a change to the class tables (a save, each changed
// field of an update, an import, a take-out, a move …) or a read-out (a print,
// an export, a check, a backup), with the class and the pupil it concerns.
struct HistoryEntry
{
    QString kind;        // what happened, as the history shows it: 新增, 修改, 导入, 移出, 恢复 …
    QString classTable;  // empty when no one class is concerned
    qint64 pupilId = 0;  // 0 when no single pupil is concerned
    QString pupilName;
    QString field;       // an update's column; empty otherwise
    QString oldValue;
    QString newValue;
    QString detail;      // the file, the reason, the other class, a count
    qint64 act = 0;      // the lines of one act (an import, a move of several pupils) share it
};

// The history table tavro_history. Used from the user-interface thread only.
namespace History {

// Makes the table when the database lacks it. Call before the transaction
// that writes (a failed CREATE would spoil a server's transaction).
void prepare(Database &db);

// Writes the lines with the database's time and who() in the caller's
// transaction, so a change whose history cannot be written is not made.
// Returns the id of the first line written (0 for none).
qint64 write(Database &db, const QList<HistoryEntry> &entries);

// Who acts: the system user and machine ("li@pc-3").
QString who(Database &db);

} // namespace History
