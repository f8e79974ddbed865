#pragma once

#include <QList>
#include <QString>

class Database;

// Undoing an import: its pupils nobody changed since (no later 修改 line, the
// same id and name still in the class) are taken out of the class into the
// keeping place with the reason 撤销导入; those changed since stay and are
// named. plan() reads and writes nothing; execute() plans again inside its
// transaction and takes the rows out. Used from the user-interface thread only.
namespace ImportUndo {

struct Pupil
{
    qint64 id = 0;
    QString name;
};

struct Plan
{
    qint64 act = 0;
    QString classTable;
    QString detail;           // the import's own line: the file and the row count
    QList<Pupil> takeOut;     // imported and unchanged: taken out by the undo
    QList<Pupil> changed;     // changed since the import: left in place
    QList<Pupil> gone;        // no longer in the class (taken out or moved already)
    QString refusal;          // why nothing can be undone; empty when takeOut holds rows
};

inline const QString reason = QStringLiteral("撤销导入");

// What undoing the import with this act number would do.
Plan plan(Database &db, qint64 act);

// "第 7 号导入（…）：撤销 3 名…" naming the changed pupils, for the command and the window.
QString planText(const Plan &plan);

// Takes the plan's rows out in one transaction with a history line 撤销导入
// whose act the 移出 lines share. Returns the plan made inside the
// transaction (what was done); its refusal is set and nothing is written when
// nothing was left to take out.
Plan execute(Database &db, qint64 act);

} // namespace ImportUndo
