#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The one list of the command line: every command word, every option with its
// usage text and the commands that take it, and the window's own start-up
// switches. The help, the parser and the checks all read it, so an option is
// declared once and no command takes an option it does not use.
// Plain data, read from any thread.
namespace CommandCatalog {

enum class Command {
    Check, Pad, Merge, Export, ExportStudents, Import, Backup, Restore, InitDb,
    Remove, Removed, BringBack, DeleteRemoved, Move, History, UndoImport, Find, Password,
    Submissions, Accept, Reject, Serve
};

struct CommandInfo
{
    Command command;
    QString word;     // what the administrator types: "check", "export-students"
    QString operand;  // the words after the command word in the usage ("<检查名>"), or empty
    QString summary;  // one line of help
    // The first line of a database failure once the command has begun: what
    // failed and what stayed as it was. The engine's explanation follows.
    QString failureHeadline;
};

struct OptionInfo
{
    QString name;               // "--db"
    QString value;              // the value's placeholder in the usage; empty for a switch
    QString usage;
    QList<Command> takenBy;
    QList<Command> requiredBy;  // these commands cannot run without it
    QStringList choices;        // the only values allowed (compared in lower case), or any
};

const QList<CommandInfo> &commands();
const QList<OptionInfo> &options();

// nullptr when the word names no command or the name no option.
const CommandInfo *commandNamed(const QString &word);
const OptionInfo *optionNamed(const QString &name);
const CommandInfo &info(Command command);

// The words that ask for the help instead of a command: --help, -h, help.
bool isHelpWord(const QString &word);

// "--tables 表,表" or "--replace".
QString optionUsage(const OptionInfo &option);

// The options a command takes, in the list's order.
QList<const OptionInfo *> optionsOf(Command command);

// The window's start-up: arguments made only of these switches (letter case
// ignored, as the window reads -access) and the switches Qt itself takes
// (-platform offscreen, -style ...) start the entry window.
inline constexpr const char *kAccessSwitch = "-access";
inline constexpr const char *kDocumentsSwitch = "-documents";
bool isWindowStart(const QStringList &args);

} // namespace CommandCatalog
