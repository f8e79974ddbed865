#pragma once

#include <QString>

class Clock;
class Database;

// The automatic backup of the local file on the first start of each day, made
// after the file was opened and checked and before the class setup writes.
// A backup that cannot be written never stops the entry: the caller tells the
// teacher in a plain message and goes on; the next start tries again.
// Used from one thread at a time.
namespace DailyBackup {

// Backs up a local file (a server is left alone). Returns the notice for the
// teacher when the backup could not be made (what to do, then the system's
// text on a second line); empty when it was made or was not due.
QString run(const Clock &clock, Database &db);

} // namespace DailyBackup
