#pragma once

#include <QStringList>

class Database;

// How many pupils the current class table holds, for the line in the entry
// form's top panel. Database failures propagate as DatabaseError.
// Used from the user-interface thread only.
namespace ClassCount {

// "select count(*) from <classTable>": one query.
qint64 count(Database &db, const QString &classTable);

// The pupils of several class tables together, for the history of a read-out
// (a check, an export): one count per table.
qint64 pupilsIn(Database &db, const QStringList &classTables);

// "本班已录入 N 人，待补全 M 人".
QString text(qint64 count, qint64 incomplete);

} // namespace ClassCount
