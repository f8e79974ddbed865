#pragma once

#include <QDate>
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

// A line as it was stored: its number, time and who beside what it records.
struct HistoryLine
{
    qint64 number = 0;
    QString time; // "yyyy-MM-dd HH:mm:ss", the database's clock
    QString who;
    HistoryEntry entry;
};

// Which lines to read; an empty or zero member does not narrow.
struct HistoryFilter
{
    QString classTable;
    qint64 pupilId = 0;
    QDate since; // from this day on
    QDate until; // up to this day
    QString kind;
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

// Writes an act of several lines: `head` first, then `lines`, all carrying the
// head's own number as their act. Returns that number (what `tavro history`
// shows and `tavro undo-import` takes).
qint64 writeAct(Database &db, const HistoryEntry &head, const QList<HistoryEntry> &lines);
// The same with the first of `lines` as the head; 0 when there are none.
qint64 writeAct(Database &db, const QList<HistoryEntry> &lines);

// A read-out's line (打印, 导出, 检查) after the read-out was made, in a
// transaction of its own. The read-out stands whatever happens here: false
// when the line could not be written.
bool recordReadOut(Database &db, const HistoryEntry &line) noexcept;

// Who acts: the system user and machine ("li@pc-3"); on a server also the
// database login ("li@pc-3 (数据库用户 teacher)").
QString who(Database &db);

// The lines the filter lets through, oldest first; none when the database
// has no history yet (it is not made for reading).
QList<HistoryLine> read(Database &db, const HistoryFilter &filter);

// The lines of one act, its head first.
QList<HistoryLine> readAct(Database &db, qint64 act);

// Whether the database has a history table already.
bool exists(Database &db);

// The line as lists on screen show it: a changed ID number masked
// (IdNumberMask); the exported workbook keeps it whole.
HistoryLine onScreen(HistoryLine line);

// One line as the command line prints it (on screen, so masked): number, time,
// who, kind, class, pupil, field old→new, detail, and the act when the line
// belongs to another.
QString lineText(const HistoryLine &line);

} // namespace History
