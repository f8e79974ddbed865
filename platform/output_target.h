#pragma once

#include <functional>
#include <optional>

#include <QString>

#include "platform/atomic_file.h"

class Messages;
class QWidget;

// Asked before an existing file is replaced, with the file's path: true
// replaces it. The window asks the user; the command line answers --replace.
using ReplaceConsent = std::function<bool(const QString &path)>;

// Where the program's output may go. Never onto the open database file or its
// -wal, -shm and -journal, nor onto the print template (Template.xlsx or
// Template.xls in the program folder); a workbook only under a name ending in
// .xlsx. Paths are compared resolved (symbolic links and "x/../" followed where
// the files exist), so another spelling of a protected file is refused too.
// Any thread may call it.
class OutputTarget
{
public:
    enum class Kind { Workbook, Text };

    // databaseFile: Database::filePath() (empty on a server); programDir: where the template lies.
    OutputTarget(QString databaseFile, QString programDir);

    // Why the path may not take this output (a Chinese sentence saying what to do); empty when it may.
    QString refusal(const QString &path, Kind kind) const;

    // Throws FileError with the refusal.
    void ensureAllowed(const QString &path, Kind kind) const;

    // ensureAllowed, then, when something lies at the path, the consent is
    // asked (an empty consent counts as no). Returns how the file is to be
    // written, or nothing when the existing file is to stay.
    std::optional<AtomicFile::Existing> admit(const QString &path, Kind kind, const ReplaceConsent &consent) const;

    // admit() for a workbook at the path the user chose; an empty path, where
    // the program names a new file itself, is written without replacing anything.
    std::optional<AtomicFile::Existing> admitWorkbook(const QString &chosen, const ReplaceConsent &consent) const;

private:
    QString m_databaseFile;
    QString m_programDir;
};

// The window's consent: a Yes/No question naming the file, owned by the window
// and titled with its caption.
ReplaceConsent askBeforeReplacing(Messages &messages, QWidget *owner, const QString &title);
