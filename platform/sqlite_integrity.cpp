#include "sqlite_integrity.h"

#include <sqlite3.h>

namespace SqliteIntegrity {

QStringList problems(sqlite3 *handle, int max)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, "pragma integrity_check", -1, &statement, nullptr) != SQLITE_OK)
        return {QString::fromUtf8(sqlite3_errmsg(handle))};
    QStringList found;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const QString line = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        if (line != QLatin1String("ok") && found.size() < max)
            found << line;
    }
    if (rc != SQLITE_DONE)
        found << QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(statement);
    return found;
}

} // namespace SqliteIntegrity
