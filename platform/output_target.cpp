#include "output_target.h"

#include <utility>

#include <QDir>
#include <QFileInfo>

#include "platform/app_error.h"
#include "platform/messages.h"

namespace {

// The path with symbolic links and "." / ".." resolved as far as the files exist.
QString resolved(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (!folder.isEmpty())
        return folder + QLatin1Char('/') + info.fileName();
    return QDir::cleanPath(info.absoluteFilePath());
}

// Every spelling a protected file is compared under: as given, and resolved.
QStringList spellings(const QString &path, const QString &suffix = QString())
{
    const QStringList names{QDir::cleanPath(QFileInfo(path + suffix).absoluteFilePath()), resolved(path + suffix),
                            resolved(path) + suffix};
    return names;
}

bool matches(const QStringList &target, const QStringList &protectedFile)
{
    for (const QString &name : target) {
        if (protectedFile.contains(name))
            return true;
    }
    return false;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

OutputTarget::OutputTarget(QString databaseFile, QString programDir)
    : m_databaseFile(std::move(databaseFile)), m_programDir(std::move(programDir))
{
}

QString OutputTarget::refusal(const QString &path, Kind kind) const
{
    if (path.trimmed().isEmpty())
        return QStringLiteral("没有给出要写入的文件名。请给出一个文件名。");
    const QStringList target = spellings(path);
    if (!m_databaseFile.isEmpty()) {
        if (matches(target, spellings(m_databaseFile)))
            return QStringLiteral("不能写入“%1”：这是正在使用的数据库文件，写入会毁掉学籍数据。请另选一个文件名。").arg(shown(path));
        for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
            if (matches(target, spellings(m_databaseFile, suffix)))
                return QStringLiteral("不能写入“%1”：这是数据库的日志文件，写入会毁掉学籍数据。请另选一个文件名。").arg(shown(path));
        }
    }
    if (!m_programDir.isEmpty()) {
        for (const QString &name : {QStringLiteral("Template.xlsx"), QStringLiteral("Template.xls")}) {
            if (matches(target, spellings(QDir(m_programDir).filePath(name))))
                return QStringLiteral("不能写入“%1”：这是打印模板。请另选一个文件名。").arg(shown(path));
        }
    }
    if (QFileInfo(path).isDir())
        return QStringLiteral("“%1”是一个文件夹，不能写成文件。请另选一个文件名。").arg(shown(path));
    if (kind == Kind::Workbook && !path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        return QStringLiteral("工作簿只能写成以 .xlsx 结尾的文件，“%1”不是。请另选一个以 .xlsx 结尾的文件名。").arg(shown(path));
    return {};
}

void OutputTarget::ensureAllowed(const QString &path, Kind kind) const
{
    const QString reason = refusal(path, kind);
    if (!reason.isEmpty())
        throw FileError(reason);
}

std::optional<AtomicFile::Existing> OutputTarget::admit(const QString &path, Kind kind,
                                                        const ReplaceConsent &consent) const
{
    ensureAllowed(path, kind);
    if (!AtomicFile::occupied(path))
        return AtomicFile::Existing::Keep;
    if (consent && consent(QFileInfo(path).absoluteFilePath()))
        return AtomicFile::Existing::Replace;
    return std::nullopt;
}

std::optional<AtomicFile::Existing> OutputTarget::admitWorkbook(const QString &chosen,
                                                                const ReplaceConsent &consent) const
{
    if (chosen.isEmpty())
        return AtomicFile::Existing::Keep;
    return admit(chosen, Kind::Workbook, consent);
}

ReplaceConsent askBeforeReplacing(Messages &messages, QWidget *owner, const QString &title)
{
    return [&messages, owner, title](const QString &path) {
        const QString text = QStringLiteral("文件“%1”已存在。要用这次导出的内容替换它吗？").arg(shown(path));
        return messages.askBox(owner, title, text, Messages::Icon::Question, Messages::Buttons::YesNo)
            == Messages::Answer::Yes;
    };
}
