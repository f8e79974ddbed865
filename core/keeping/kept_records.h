#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// The records taken out of their class (tavro_removed): kept whole with their
// class, id, reason, time and who, until brought back or deleted for good.
// Used from the user-interface thread only.
namespace KeptRecords {

inline const QString table = QStringLiteral("tavro_removed");

// The reasons a record is taken out for, as the window offers them. 其他 needs
// a text of the user's; the undo of an import gives its own reason.
QStringList reasons();
// The reason as stored: one of reasons(), 其他 as "其他：<note>". Empty when the
// reason is none of them or 其他 comes without a note.
QString storedReason(const QString &reason, const QString &note);

// Makes the keeping table when the database lacks it; call before the
// transaction that takes records out.
void prepare(Database &db);

// Inside the caller's transaction: copies the records with these ids into the
// keeping table, deletes them from the class table and writes a history line
// 移出 for each. Returns how many were taken out (ids not in the table are skipped).
int takeOut(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &reason, qint64 act = 0);

// The same in a transaction of its own, for the window and the command line.
// Throws AppError for a table that is no class table or a reason not stored
// as storedReason() gives it; nothing is changed then.
int takeOutNow(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &reason);

// One record in the keeping table.
struct Kept
{
    qint64 keptId = 0;
    QString classTable;
    qint64 pupilId = 0;
    QString name;
    QString cardNo;
    QString reason;
    QString removedAt;
    QString removedBy;
};

// The kept records, newest first; those of one class when classTable is given.
QList<Kept> list(Database &db, const QString &classTable = QString());

// One record brought back into its class.
struct Returned
{
    qint64 keptId = 0;
    QString classTable;
    QString name;
    qint64 oldId = 0;
    qint64 newId = 0; // the old id when it was free, else the one the class gave
    bool tableMade = false;
};

struct BringBackResult
{
    QList<Returned> returned;
    QList<qint64> notKept; // ids that name no kept record
};

// Puts the kept records back into their classes (the class table made from
// Init2 when it is gone), each under its old id when that is free, and writes
// a history line 恢复 for each; one transaction.
BringBackResult bringBack(Database &db, const QList<qint64> &keptIds);

// Deletes kept records for good with a history line 删除 each; one
// transaction. Returns how many were deleted (ids not kept are skipped).
int deleteForGood(Database &db, const QList<qint64> &keptIds);

// "高一01 的 12 号 李娜 → 高一01 的 40 号（原编号已被占用）" and the like.
QString describe(const Returned &returned);

} // namespace KeptRecords
