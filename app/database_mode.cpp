#include "database_mode.h"

#include "cli/command_catalog.h"

namespace DatabaseMode {

bool isLocalFile(const QString &executableFileName, const QStringList &arguments)
{
    const auto same = [](const QString &a, const char *b) {
        return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
    };
    // On Windows the file is tavro2.exe; on Linux the same copy is just tavro2.
    if (same(executableFileName, "tavro2.exe") || same(executableFileName, "tavro2"))
        return true;
    return !arguments.isEmpty() && same(arguments.first(), CommandCatalog::kAccessSwitch);
}

} // namespace DatabaseMode
