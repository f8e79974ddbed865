#include "history_act.h"

#include "platform/database.h"

namespace HistoryAct {

qint64 write(Database &db, QList<HistoryEntry> entries)
{
    if (entries.isEmpty())
        return 0;
    // The act's number is known only once its first line has one.
    const qint64 act = History::write(db, {entries.takeFirst()});
    db.execute(SqlStatement(QStringLiteral("update tavro_history set act = ? where id = ?"), {act, act}));
    for (HistoryEntry &entry : entries)
        entry.act = act;
    History::write(db, entries);
    return act;
}

} // namespace HistoryAct
