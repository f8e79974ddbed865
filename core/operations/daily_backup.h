#pragma once

class Database;
struct Services;

// The automatic backup of the local file on the first start of each day, made
// after the file was opened and checked and before the class setup writes.
// A backup that cannot be written never stops the entry: the teacher is told
// in a plain message and goes on; the next start tries again.
// Used from the user-interface thread only.
namespace DailyBackup {

void run(Services &services, Database &db);

} // namespace DailyBackup
