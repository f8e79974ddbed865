#include "program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/app_error.h"
#include "platform/atomic_file.h"
#include "platform/owner_only.h"

namespace {

const QString kTemplate = QStringLiteral("Template.xlsx");

// Gives a per-user folder the default template on its first use. A failure
// only means that printing later says the template is missing.
void provideTemplate(const QString &dir, const QString &executableDir)
{
    // A school's own template, new or old format, stays the one used.
    if (AtomicFile::occupied(QDir(dir).filePath(kTemplate))
        || AtomicFile::occupied(QDir(dir).filePath(QStringLiteral("Template.xls"))))
        return;
    const QString sources[] = {QDir(executableDir).filePath(QStringLiteral("../share/tavro/") + kTemplate),
                               QDir(executableDir).filePath(kTemplate)};
    for (const QString &source : sources) {
        QFile file(source);
        if (!QFileInfo(source).isFile() || !file.open(QIODevice::ReadOnly))
            continue;
        try {
            AtomicFile::write(QDir(dir).filePath(kTemplate), file.readAll(), AtomicFile::Existing::Keep);
        } catch (const AppError &) {
        }
        return;
    }
}

} // namespace

bool ProgramFolder::isWritable(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    QFile probe(QDir(dir).filePath(QStringLiteral(".tavro-probe-%1").arg(QCoreApplication::applicationPid())));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

QString ProgramFolder::perUserDefault()
{
    // The generic data folder follows XDG_DATA_HOME and does not depend on the
    // application name (a copy may run under another name).
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tavro");
}

ProgramFolder ProgramFolder::choose(const QString &executableDir, const QString &perUserDir, const QString &systemConfig,
                                    const std::function<bool(const QString &)> &writable)
{
    ProgramFolder folder;
    if (writable(executableDir)) {
        folder.dir = QDir(executableDir).absolutePath();
    } else {
        folder.dir = QDir(perUserDir).absolutePath();
        folder.perUser = true;
        if (OwnerOnly::makeFolder(folder.dir))
            provideTemplate(folder.dir, executableDir);
    }
    folder.configFile = QDir(folder.dir).filePath(QStringLiteral("config.ini"));
    if (folder.perUser && !QFileInfo::exists(folder.configFile) && QFileInfo(systemConfig).isFile())
        folder.configFile = systemConfig;
    return folder;
}
