#include "command_line.h"

#include <exception>
#include <memory>
#include <optional>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "cli/command_catalog.h"
#include "cli/command_database.h"
#include "cli/command_help.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/console_services.h"
#include "cli/init_db_command.h"
#include "cli/password_prompt.h"
#include "core/keeping/teacher_password.h"
#include "core/operations/table_merge.h"
#include "core/record/class_count.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/output_target.h"
#include "platform/services.h"

namespace {

using CommandCatalog::Command;
using CommandCatalog::CommandInfo;

QString checkNames()
{
    QStringList names;
    for (DataChecks::Check c : DataChecks::all())
        names << DataChecks::caption(c);
    return names.join(QStringLiteral("、"));
}

// The program folder chosen by main; without one, the executable's folder.
QString defaultProgramDir(const QString &given)
{
    if (!given.isEmpty())
        return given;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

// The arguments after the program name; QCoreApplication::arguments() as a
// whole is taken as well.
QStringList withoutProgram(const QStringList &args)
{
    if (!args.isEmpty() && QCoreApplication::instance() && !CommandCatalog::commandNamed(args.front())
        && args.front() == QCoreApplication::arguments().value(0))
        return args.mid(1);
    return args;
}

int usageError(QTextStream &err, const QString &text, const QString &helpCommand)
{
    err << text << Qt::endl << QStringLiteral("用 %1 查看用法。").arg(helpCommand) << Qt::endl;
    return 2;
}

// The command's work once its database is open: a database failure is told
// with what failed and what stayed as it was, then the engine's explanation.
template<typename Work>
int withFailureHeadline(const CommandInfo &command, Work work)
{
    try {
        return work();
    } catch (const DatabaseError &e) {
        if (command.failureHeadline.isEmpty())
            throw;
        throw DatabaseError(command.failureHeadline + QLatin1Char('\n') + e.text());
    }
}

// Runs a command whose options were understood; throws AppError when it
// fails or is refused. Returns the exit status.
int runParsed(const CommandInfo &info, const CommandOptions &options, std::optional<DataChecks::Check> check,
              const QList<qint64> &ids, QTextStream &out, QTextStream &err, const QString &programDir,
              const QString &configIni)
{
    const Command command = info.command;
    // --dir names the folder of check.txt, Template.xlsx and config.ini.
    const QString dir = options.dir.isEmpty() ? programDir : options.dir;
    const QString configFile = options.dir.isEmpty() && !configIni.isEmpty()
                                   ? configIni
                                   : QDir(dir).filePath(QStringLiteral("config.ini"));
    if (command == Command::InitDb)
        return InitDbCommand::run(configFile, out, err);
    if (command == Command::Backup) {
        const QString detail = Commands::backup(options, out);
        Commands::recordReadOut(nullptr, options, QStringLiteral("备份"), QString(), detail, err);
        return 0;
    }
    if (command == Command::Restore) {
        Commands::restore(options, out);
        return 0;
    }
    // The new password is asked before the database is opened: a refused one changes nothing.
    QString newPassword;
    if (command == Command::Password) {
        QString why;
        const std::optional<QString> typed =
            PasswordPrompt::askNew(QStringLiteral("新的教师密码："), TeacherPassword::MinLength, out, why);
        if (!typed) {
            err << why << Qt::endl << QStringLiteral("教师密码没有改变。") << Qt::endl;
            return 2;
        }
        newPassword = *typed;
    }
    if (command == Command::Merge) {
        // A refused name is reported before the database is even opened.
        const QString reason = TableMerge::refusal(options.into, options.tables);
        if (!reason.isEmpty())
            throw AppError(reason);
    }
    const bool exporting = command == Command::Export || command == Command::ExportStudents;
    const QString dbFile = options.dbGiven ? QFileInfo(options.db).absoluteFilePath() : QString();
    // An output onto the database or the template, or over a file without
    // --replace, is refused before the database is opened.
    for (const QString &output : {exporting ? options.into : QString(), command == Command::Import ? options.report : QString()}) {
        if (output.isEmpty())
            continue;
        OutputTarget(dbFile, dir).ensureAllowed(output, OutputTarget::Kind::Workbook);
        if (AtomicFile::occupied(output) && !options.replace)
            throw AppError(keptFileText(QFileInfo(output).absoluteFilePath()));
    }
    // Checks, exports and a dry run only read.
    const bool reads = command == Command::Check || exporting || command == Command::History || command == Command::Find
                       || command == Command::Submissions
                       || ((command == Command::Import || command == Command::UndoImport) && options.dryRun);
    const std::unique_ptr<Database> db = openCommandDatabase(options, configFile, reads);
    NoMessages messages;
    SystemClock clock;
    NoDesktop desktop;
    Services services{messages, clock, desktop, dir, QStringLiteral("tavro"), configFile};
    return withFailureHeadline(info, [&] {
        switch (command) {
        case Command::ExportStudents: {
            const int status = Commands::exportStudents(*db, services, options, out, err);
            if (status == 0)
                Commands::recordReadOut(db.get(), options, QStringLiteral("导出"), options.table,
                                        QStringLiteral("多人打印表（%1 名学生）导出到 %2")
                                            .arg(ClassCount::count(*db, options.table.trimmed()))
                                            .arg(QFileInfo(options.into).fileName()),
                                        err);
            return status;
        }
        case Command::Import:
            return Commands::importTable(*db, options, out);
        case Command::Check: {
            const QStringList tables = chooseTables(*db, options);
            Commands::check(*db, *check, tables, dir, out);
            Commands::recordReadOut(db.get(), options, QStringLiteral("检查"), QString(),
                                    QStringLiteral("%1：%2 个表，%3 名学生")
                                        .arg(DataChecks::caption(*check))
                                        .arg(tables.size())
                                        .arg(ClassCount::pupilsIn(*db, tables)),
                                    err);
            return 0;
        }
        case Command::History:
            Commands::history(*db, options, out);
            return 0;
        case Command::UndoImport:
            return Commands::undoImport(*db, options.positional.front().toLongLong(), options.dryRun, out, err);
        case Command::Find:
            Commands::find(*db, options.positional.join(QLatin1Char(' ')), out);
            return 0;
        case Command::Pad:
            Commands::pad(*db, chooseTables(*db, options), out);
            return 0;
        case Command::Merge:
            Commands::merge(*db, options, chooseTables(*db, options), out);
            return 0;
        case Command::Export: {
            const QStringList tables = chooseTables(*db, options);
            const int status = Commands::exportTables(*db, services, options, tables, out, err);
            if (status == 0)
                Commands::recordReadOut(db.get(), options, QStringLiteral("导出"), tables.size() == 1 ? tables.front() : QString(),
                                        QStringLiteral("%1 个表（%2 名学生）导出到 %3")
                                            .arg(tables.size())
                                            .arg(ClassCount::pupilsIn(*db, tables))
                                            .arg(QFileInfo(options.into).fileName()),
                                        err);
            return status;
        }
        case Command::Remove:
            Commands::remove(*db, options, ids, out);
            return 0;
        case Command::Removed:
            Commands::listRemoved(*db, options, out);
            return 0;
        case Command::BringBack:
            Commands::bringBack(*db, ids, out);
            return 0;
        case Command::DeleteRemoved:
            Commands::deleteRemoved(*db, ids, out);
            return 0;
        case Command::Move:
            Commands::move(*db, options, ids, out);
            return 0;
        case Command::Password:
            Commands::password(*db, newPassword, out);
            return 0;
        case Command::Submissions:
            Commands::listSubmissions(*db, options, out);
            return 0;
        case Command::Accept:
            return Commands::acceptSubmissions(*db, options, ids, QDir(dir).filePath(QStringLiteral("debug.txt")), out, err);
        case Command::Reject:
            return Commands::rejectSubmissions(*db, options, ids, out, err);
        case Command::Serve:
            return Commands::serve(*db, options, dir, configFile, out);
        case Command::Backup:
        case Command::Restore:
        case Command::InitDb:
            break;
        }
        return 0;
    });
}

// Reads the command's own options and its other words; a command line that
// cannot be understood is answered with exit status 2 and changes nothing.
int runCommand(const CommandInfo &info, const QStringList &args, QTextStream &out, QTextStream &err,
               const QString &programDir, const QString &configIni)
{
    CommandOptions options;
    const QString parseError = parseOptions(info.command, args, options);
    if (options.help) {
        out << CommandHelp::ofCommand(info, checkNames());
        out.flush();
        return 0;
    }
    const QString helpCommand = QStringLiteral("tavro %1 --help").arg(info.word);
    if (!parseError.isEmpty())
        return usageError(err, parseError, helpCommand);
    std::optional<DataChecks::Check> check;
    if (info.command == Command::Check) {
        if (options.positional.size() != 1)
            return usageError(err, QStringLiteral("请给出一个检查名：%1").arg(checkNames()), helpCommand);
        check = DataChecks::fromCaption(options.positional.front());
        if (!check)
            return usageError(err, QStringLiteral("没有检查“%1”。检查名：%2").arg(options.positional.front(), checkNames()),
                              helpCommand);
    } else if (info.command == Command::UndoImport) {
        if (options.positional.size() != 1 || options.positional.front().toLongLong() <= 0)
            return usageError(err, QStringLiteral("请给出要撤销的导入的操作号（tavro history 中的数字）。"), helpCommand);
    } else if (info.command == Command::Find) {
        if (options.positional.join(QString()).trimmed().isEmpty())
            return usageError(err, QStringLiteral("请给出要查找的姓名、姓名的一部分或身份证号。"), helpCommand);
    } else if (!options.positional.isEmpty()) {
        return usageError(err, QStringLiteral("多余的参数：%1").arg(options.positional.join(QLatin1Char(' '))), helpCommand);
    }
    if (!options.id.isEmpty() && options.id.toLongLong() <= 0)
        return usageError(err, QStringLiteral("--id 要给出学生的编号（正整数）：%1").arg(options.id), helpCommand);
    bool portOk = true;
    if (!options.port.isEmpty() && (options.port.toUInt(&portOk) > 65535 || !portOk))
        return usageError(err, QStringLiteral("--port 要给出 0 到 65535 之间的端口号（0：任一空闲端口）：%1").arg(options.port), helpCommand);
    if (!options.since.isEmpty() && !QDate::fromString(options.since, Qt::ISODate).isValid())
        return usageError(err, QStringLiteral("--since 要给出日期，如 2024-09-01：%1").arg(options.since), helpCommand);
    QList<qint64> ids;
    if (CommandCatalog::optionNamed(QStringLiteral("--ids"))->takenBy.contains(info.command)) {
        const std::optional<QList<qint64>> parsed = parseIds(options.ids);
        if (!parsed)
            return usageError(err, QStringLiteral("--ids 须是以逗号分隔的编号（正整数），如 3,4：%1").arg(options.ids), helpCommand);
        ids = *parsed;
    }
    if (info.command == Command::Remove) {
        const bool other = options.reason == QStringLiteral("其他");
        if (other && options.note.trimmed().isEmpty())
            return usageError(err, QStringLiteral("原因为 其他 时须用 --note 写明原因。"), helpCommand);
        if (!other && !options.note.isEmpty())
            return usageError(err, QStringLiteral("--note 只用于原因 其他。"), helpCommand);
    }
    if (info.command == Command::Reject && options.note.trimmed().isEmpty())
        return usageError(err, QStringLiteral("退回时须用 --note 写明说明（填报人凭回执看到）。"), helpCommand);
    return runParsed(info, options, check, ids, out, err, programDir, configIni);
}

// A first word that is no command: a mistyped command, or an option before
// the command word.
QString notACommandText(const QString &word)
{
    QStringList words;
    for (const CommandInfo &c : CommandCatalog::commands())
        words << c.word;
    const QString known = words.join(QStringLiteral("、"));
    if (word.startsWith(QLatin1Char('-')))
        return QStringLiteral("%1 不是录入窗口的启动选项，也不是命令。命令写在最前面，选项跟在命令后面。命令：%2").arg(word, known);
    return QStringLiteral("没有命令“%1”。命令：%2").arg(word, known);
}

} // namespace

bool isAdminCommand(const QStringList &givenArgs)
{
    return !CommandCatalog::isWindowStart(withoutProgram(givenArgs));
}

int runAdminCommand(const QStringList &givenArgs, QTextStream &out, QTextStream &err, const QString &programFolder,
                    const QString &configIni)
{
    const QStringList args = withoutProgram(givenArgs);
    const QString programDir = defaultProgramDir(programFolder);
    const QString help = CommandHelp::full(checkNames(), QDir::toNativeSeparators(programDir));
    if (args.isEmpty()) {
        err << help;
        err.flush();
        return 2;
    }
    if (CommandCatalog::isHelpWord(args.front())) {
        out << help;
        out.flush();
        return 0;
    }
    const CommandInfo *command = CommandCatalog::commandNamed(args.front());
    if (!command)
        return usageError(err, notACommandText(args.front()), QStringLiteral("tavro --help"));
    try {
        return runCommand(*command, args, out, err, programDir, configIni);
    } catch (const AppError &e) {
        err << e.text() << Qt::endl;
    } catch (const std::exception &e) {
        // Whatever went wrong is said, and the process ends normally.
        err << QStringLiteral("命令意外中止：") << QString::fromLocal8Bit(e.what()) << Qt::endl;
    } catch (...) {
        err << QStringLiteral("命令意外中止：未知的错误。") << Qt::endl;
    }
    return 1;
}
