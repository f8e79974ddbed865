#pragma once

#include <QList>

#include "core/keeping/history.h"

class Database;

// The history lines of one act (a take-out, a move of several pupils) share
// the id of the act's first line as their act. Used from the user-interface
// thread only, inside the caller's transaction.
namespace HistoryAct {

// Writes the lines as one act; returns the act (0 when there are none).
qint64 write(Database &db, QList<HistoryEntry> entries);

} // namespace HistoryAct
