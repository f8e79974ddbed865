#include "import_undo.h"

#include "core/keeping/history.h"
#include "core/keeping/kept_records.h"
#include "platform/database.h"
#include "platform/table_name.h"
#include "platform/transaction.h"

namespace ImportUndo {

Plan execute(Database &db, qint64 act)
{
    History::prepare(db);
    KeptRecords::prepare(db);
    Transaction transaction(db);
    Plan first = plan(db, act);
    if (first.classTable.isEmpty())
        return first;
    // Planned again under the lock: a save from another workstation since the
    // first look either came before (and counts) or waits for the undo.
    lockAgainstWriters(db, TableName(first.classTable));
    Plan done = plan(db, act);
    if (done.takeOut.isEmpty())
        return done;
    HistoryEntry head;
    head.kind = reason;
    head.classTable = done.classTable;
    head.detail = QStringLiteral("撤销第 %1 号导入：移出 %2 名，保留修改过的 %3 名")
                      .arg(act)
                      .arg(done.takeOut.size())
                      .arg(done.changed.size());
    const qint64 undoAct = History::writeAct(db, head, {});
    QList<qint64> ids;
    for (const Pupil &pupil : done.takeOut)
        ids << pupil.id;
    KeptRecords::takeOut(db, done.classTable, ids, reason, undoAct);
    transaction.commit();
    return done;
}

} // namespace ImportUndo
