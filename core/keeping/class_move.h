#pragma once

#include <QDate>
#include <QList>
#include <QString>

class Database;

// Moves pupils from one class table to another: every column kept, 班号
// rebuilt for the new class, the target made from Init2 when missing (only for
// a class name such as 高一01), history lines 转出 in the old class and 转入 in
// the new sharing one act; all in one transaction. Used from the
// user-interface thread only.
namespace ClassMove {

struct Moved
{
    qint64 oldId = 0;
    qint64 newId = 0;
    QString name;
    QString oldClassCode;
    QString newClassCode;
};

struct Result
{
    QString from;
    QString to;
    bool tableMade = false;
    QList<Moved> moved;
    QList<qint64> notFound; // ids the old class table does not hold
    qint64 act = 0;
};

// How the new 班号 is chosen, for the user and the history.
QString classCodeRule();

// Throws AppError (nothing changed) when a table is missing and may not be
// made, or both name the same table. When none of the ids is in the old
// class nothing is changed (no table made).
Result move(Database &db, const QString &from, const QList<qint64> &ids, const QString &to, const QDate &today);

} // namespace ClassMove
