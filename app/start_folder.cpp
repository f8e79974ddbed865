#include "start_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace StartFolder {

QString workingDir(const QStringList &arguments, const QString &currentDir)
{
    if (!arguments.contains(QLatin1String(kDocumentsOption)))
        return currentDir;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Without a documents folder the database stays where it always was.
    if (documents.isEmpty() || !QDir().mkpath(documents))
        return currentDir;
    return documents;
}

} // namespace StartFolder
