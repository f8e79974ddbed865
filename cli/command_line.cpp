#include "command_line.h"

#include <exception>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "cli/command_database.h"
#include "cli/command_options.h"
#include "cli/commands.h"
#include "cli/console_services.h"
#include "cli/init_db_command.h"
#include "core/operations/table_merge.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/output_target.h"
#include "platform/services.h"

namespace {

const QString kHelp = QStringLiteral(
    "用法:\n"
    "  tavro [-access]                  打开录入窗口（-access：使用本地数据库文件 tavro.db）\n"
    "  tavro -access -documents         同上，数据库文件 tavro.db 放在用户的“文档”文件夹中\n"
    "  tavro check <检查名> [选项]       运行一项数据检查，结果写入 check.txt\n"
    "                                   检查名: %1\n"
    "  tavro pad [选项]                 区划代码补足12位\n"
    "  tavro merge [--into 名称] [--replace] [选项]\n"
    "                                   合并表（默认名称: 合并表；已有同名表时须加 --replace 才替换）\n"
    "  tavro export --into 文件 [--structure Init1] [--replace] [选项]\n"
    "                                   把表导出为一个 xlsx 工作簿，每表一个工作表（默认为各表自己的列）\n"
    "  tavro export-students --table 表 --into 文件 [--replace] [--dir 文件夹]\n"
    "                                   用 Template.xlsx 把一个表的全部学生导出为多人打印表\n"
    "  tavro import --table 表 --from 文件 [--sheet 工作表] [--dry-run] [--duplicates skip|add]\n"
    "               [--report 文件.xlsx] [--replace]\n"
    "                                   把 .xlsx/.xls/.ods/.csv 中的学生逐行检查后导入班级表；--dry-run 只检查不写入，\n"
    "                                   重复的行默认跳过（add：照样导入），--report 写出没有导入的行及其问题\n"
    "  tavro backup [--into 文件]        备份本地数据库文件（默认存入数据库旁的“备份”文件夹）\n"
    "  tavro restore --from 备份文件     检查备份后先备份现有的数据库文件，再用备份替换它\n"
    "  tavro init-db [--dir 文件夹]     在 config.ini 所指的服务器数据库中建立模板表 Init2 和 Init1\n"
    "                                   （数据库中已有其一时不作任何改动）\n"
    "  tavro --help                     显示本说明\n"
    "选项:\n"
    "  --db 文件        本地数据库文件；不给出时使用 config.ini 所指的服务器数据库\n"
    "                   （backup 与 restore 只用于本地数据库文件，默认为当前目录下的 tavro.db）\n"
    "  --tables 表,表   要处理的表，以逗号分隔；默认为所有班级表（名称以 高、初、小 开头的表）\n"
    "  --dir 文件夹     check.txt、Template.xlsx 与 config.ini 所在的文件夹，默认为程序文件夹\n"
    "  --replace        替换 --into 处已有的文件或合并表；不加时已有的保持不变，命令失败\n"
    "程序文件夹（config.ini、Template.xlsx、check.txt、debug.txt、导出）: %2\n");

enum class Command { Check, Pad, Merge, Export, ExportStudents, Import, Backup, Restore, InitDb, Help, None };

Command commandOf(const QString &word)
{
    if (word == QLatin1String("check"))
        return Command::Check;
    if (word == QLatin1String("pad"))
        return Command::Pad;
    if (word == QLatin1String("merge"))
        return Command::Merge;
    if (word == QLatin1String("export"))
        return Command::Export;
    if (word == QLatin1String("export-students"))
        return Command::ExportStudents;
    if (word == QLatin1String("import"))
        return Command::Import;
    if (word == QLatin1String("backup"))
        return Command::Backup;
    if (word == QLatin1String("restore"))
        return Command::Restore;
    if (word == QLatin1String(InitDbCommand::kName))
        return Command::InitDb;
    if (word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("help"))
        return Command::Help;
    return Command::None;
}

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
    if (!args.isEmpty() && QCoreApplication::instance() && commandOf(args.front()) == Command::None
        && args.front() == QCoreApplication::arguments().value(0))
        return args.mid(1);
    return args;
}

// Checks its command line and runs the command; throws AppError when it
// fails or is refused. Returns the exit status.
int runCommand(Command command, const QStringList &args, QTextStream &out, QTextStream &err,
               const QString &programDir, const QString &configIni)
{
    const QString help = kHelp.arg(checkNames(), QDir::toNativeSeparators(programDir));
    if (command == Command::None) {
        err << help;
        err.flush();
        return 2;
    }
    CommandOptions options;
    const QString parseError = parseOptions(args, options);
    if (command == Command::Help || options.help) {
        out << help;
        out.flush();
        return 0;
    }
    auto usageError = [&](const QString &text) {
        err << text << Qt::endl << QStringLiteral("用 tavro --help 查看用法。") << Qt::endl;
        return 2;
    };
    if (!parseError.isEmpty())
        return usageError(parseError);

    std::optional<DataChecks::Check> check;
    if (command == Command::Check) {
        if (options.positional.size() != 1)
            return usageError(QStringLiteral("请给出一个检查名：%1").arg(checkNames()));
        check = DataChecks::fromCaption(options.positional.front());
        if (!check)
            return usageError(QStringLiteral("没有检查“%1”。检查名：%2").arg(options.positional.front(), checkNames()));
    } else if (!options.positional.isEmpty()) {
        return usageError(QStringLiteral("多余的参数：%1").arg(options.positional.join(QLatin1Char(' '))));
    }
    const bool exporting = command == Command::Export || command == Command::ExportStudents;
    if (exporting && (!options.intoGiven || options.into.trimmed().isEmpty()))
        return usageError(QStringLiteral("请用 --into 给出要写入的 xlsx 文件。"));
    if (command == Command::ExportStudents && options.table.trimmed().isEmpty())
        return usageError(QStringLiteral("请用 --table 给出要导出的表。"));
    const QString structure = options.structure.toLower();
    if (command == Command::Export && !structure.isEmpty() && structure != QLatin1String("init1")
        && structure != QLatin1String("init2"))
        return usageError(QStringLiteral("导出表的结构只能是 Init1 或 Init2：%1").arg(options.structure));

    if (command == Command::Import) {
        if (options.table.trimmed().isEmpty())
            return usageError(QStringLiteral("请用 --table 给出要导入的班级表。"));
        if (options.from.trimmed().isEmpty())
            return usageError(QStringLiteral("请用 --from 给出要导入的文件。"));
        if (options.duplicates != QLatin1String("skip") && options.duplicates != QLatin1String("add"))
            return usageError(QStringLiteral("--duplicates 只能是 skip 或 add：%1").arg(options.duplicates));
    }
    if (command == Command::Restore && options.from.trimmed().isEmpty())
        return usageError(QStringLiteral("请用 --from 给出要恢复的备份文件。"));

    // --dir names the folder of check.txt, Template.xlsx and config.ini.
    const QString dir = options.dir.isEmpty() ? programDir : options.dir;
    const QString configFile = options.dir.isEmpty() && !configIni.isEmpty()
                                   ? configIni
                                   : QDir(dir).filePath(QStringLiteral("config.ini"));
    if (command == Command::InitDb)
        return InitDbCommand::run(configFile, out, err);
    if (command == Command::Backup) {
        Commands::backup(options, out);
        return 0;
    }
    if (command == Command::Restore) {
        Commands::restore(options, out);
        return 0;
    }
    if (command == Command::Merge) {
        // A refused name is reported before the database is even opened.
        const QString reason = TableMerge::refusal(options.into, options.tables);
        if (!reason.isEmpty())
            throw AppError(reason);
    }
    if (exporting) {
        // An output onto the database or the template, or over a file
        // without --replace, is refused before the database is opened.
        OutputTarget(options.dbGiven ? QFileInfo(options.db).absoluteFilePath() : QString(), dir)
            .ensureAllowed(options.into, OutputTarget::Kind::Workbook);
        if (AtomicFile::occupied(options.into) && !options.replace)
            throw AppError(keptFileText(QFileInfo(options.into).absoluteFilePath()));
    }
    if (command == Command::Import && !options.report.isEmpty()) {
        OutputTarget(options.dbGiven ? QFileInfo(options.db).absoluteFilePath() : QString(), dir)
            .ensureAllowed(options.report, OutputTarget::Kind::Workbook);
        if (AtomicFile::occupied(options.report) && !options.replace)
            throw AppError(keptFileText(QFileInfo(options.report).absoluteFilePath()));
    }
    // Checks, exports and a dry run only read.
    const bool reads = command == Command::Check || exporting || (command == Command::Import && options.dryRun);
    const std::unique_ptr<Database> db = openCommandDatabase(options, configFile, reads);
    NoMessages messages;
    SystemClock clock;
    NoDesktop desktop;
    Services services{messages, clock, desktop, dir, QStringLiteral("tavro"), configFile};
    if (command == Command::ExportStudents) {
        return Commands::exportStudents(*db, services, options, out, err);
    }
    if (command == Command::Import)
        return Commands::importTable(*db, options, out);
    const QStringList tables = chooseTables(*db, options);
    switch (command) {
    case Command::Check:
        Commands::check(*db, *check, tables, dir, out);
        break;
    case Command::Pad:
        Commands::pad(*db, tables, out);
        break;
    case Command::Merge:
        Commands::merge(*db, options, tables, out);
        break;
    case Command::Export:
        return Commands::exportTables(*db, services, options, tables, out, err);
    case Command::ExportStudents:
    case Command::Import:
    case Command::Backup:
    case Command::Restore:
    case Command::InitDb:
    case Command::Help:
    case Command::None:
        break;
    }
    return 0;
}

} // namespace

bool isAdminCommand(const QStringList &givenArgs)
{
    const QStringList args = withoutProgram(givenArgs);
    return !args.isEmpty() && commandOf(args.front()) != Command::None;
}

int runAdminCommand(const QStringList &givenArgs, QTextStream &out, QTextStream &err, const QString &programFolder,
                    const QString &configIni)
{
    const QStringList args = withoutProgram(givenArgs);
    const Command command = args.isEmpty() ? Command::None : commandOf(args.front());
    try {
        return runCommand(command, args, out, err, defaultProgramDir(programFolder), configIni);
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
