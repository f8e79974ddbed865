#include "command_line.h"

#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "manage/data_checks.h"
#include "manage/export_tables.h"
#include "manage/template_printing.h"
#include "core/operations/region_code_padding.h"
#include "core/operations/table_lists.h"
#include "core/operations/table_merge.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/database_backup.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/output_target.h"
#include "platform/services.h"
#include "platform/spreadsheet_renderer.h"
#include "platform/sql_database.h"

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
    "  tavro backup [--into 文件]        备份本地数据库文件（默认存入数据库旁的“备份”文件夹）\n"
    "  tavro restore --from 备份文件     检查备份后先备份现有的数据库文件，再用备份替换它\n"
    "  tavro init-db [--dir 文件夹]     在 config.ini 所指的服务器数据库中建立模板表 Init2 和 Init1\n"
    "                                   （数据库中已有其一时不作任何改动）\n"
    "  tavro --help                     显示本说明\n"
    "选项:\n"
    "  --db 文件        本地数据库文件，默认为当前目录下的 tavro.db\n"
    "  --tables 表,表   要处理的表，以逗号分隔；默认为所有班级表（名称以 高、初、小 开头的表）\n"
    "  --dir 文件夹     check.txt 与 Template.xlsx 所在的文件夹，默认为程序文件夹\n"
    "  --replace        替换 --into 处已有的文件或合并表；不加时已有的保持不变，命令失败\n"
    "程序文件夹（config.ini、Template.xlsx、check.txt、debug.txt、导出）: %2\n");

enum class Command { Check, Pad, Merge, Export, ExportStudents, Backup, Restore, Help, None };

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
    if (word == QLatin1String("backup"))
        return Command::Backup;
    if (word == QLatin1String("restore"))
        return Command::Restore;
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

struct Options
{
    QString db = QStringLiteral("tavro.db");
    QString dir;
    QString into = TableMerge::defaultTarget();
    bool intoGiven = false;
    QString structure;
    QString table;
    QString from;
    QStringList tables;
    bool tablesGiven = false;
    QStringList positional;
    bool help = false;
    bool replace = false; // an existing output (workbook, merged table) may be replaced
};

// Parses "--name value" and "--name=value"; returns an error text or empty.
QString parseOptions(const QStringList &args, Options &options)
{
    for (int i = 1; i < args.size(); ++i) {
        QString arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (arg == QLatin1String("--replace")) {
            options.replace = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            options.positional << arg;
            continue;
        }
        QString value;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = arg.mid(eq + 1);
            arg.truncate(eq);
        }
        static const QStringList known = {QStringLiteral("--db"), QStringLiteral("--dir"), QStringLiteral("--into"),
                                          QStringLiteral("--tables"), QStringLiteral("--structure"),
                                          QStringLiteral("--table"), QStringLiteral("--from")};
        if (!known.contains(arg))
            return QStringLiteral("未知的选项：%1").arg(arg);
        if (eq < 0) {
            if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--")))
                return QStringLiteral("选项 %1 缺少值。").arg(arg);
            value = args.at(++i);
        }
        if (arg == QLatin1String("--db")) {
            options.db = value;
        } else if (arg == QLatin1String("--dir")) {
            options.dir = value;
        } else if (arg == QLatin1String("--into")) {
            options.into = value;
            options.intoGiven = true;
        } else if (arg == QLatin1String("--structure")) {
            options.structure = value;
        } else if (arg == QLatin1String("--table")) {
            options.table = value;
        } else if (arg == QLatin1String("--from")) {
            options.from = value;
        } else {
            options.tablesGiven = true;
            value.replace(QStringLiteral("，"), QStringLiteral(","));
            for (const QString &name : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                if (!name.trimmed().isEmpty())
                    options.tables << name.trimmed();
            }
        }
    }
    return QString();
}

// The tables to work on: the named ones, each of which must exist, or the
// class tables the management window preselects. Throws AppError.
QStringList chooseTables(Database &db, const Options &options)
{
    const QStringList listed = TableLists::tableNames(db);
    QStringList tables;
    if (options.tablesGiven) {
        for (const QString &typed : options.tables) {
            const QString name = TableLists::listedName(listed, typed);
            if (name.isEmpty())
                throw AppError(QStringLiteral("数据库中没有表“%1”。").arg(typed));
            tables << name;
        }
    } else {
        const QList<bool> selected = TableLists::classTableSelection(listed);
        for (int i = 0; i < listed.size(); ++i) {
            if (selected.at(i))
                tables << listed.at(i);
        }
    }
    if (tables.isEmpty())
        throw AppError(QStringLiteral("请先选择表。"));
    return tables;
}

// Messages of the operations go to the console; nothing is opened or printed.
class ConsoleMessages final : public Messages
{
public:
    ConsoleMessages(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}
    void showMessage(const QString &text) override { m_out << QString(text).remove(QLatin1Char('\r')) << Qt::endl; }
    Answer askBox(QWidget *, const QString &, const QString &text, Icon, Buttons buttons) override
    {
        // Nobody is there to answer: a question is taken as "no", so nothing
        // is replaced or dropped without the administrator's word (--replace).
        m_out << QString(text).remove(QLatin1Char('\r')) << Qt::endl;
        switch (buttons) {
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::Ok:
            break;
        }
        return Answer::Ok;
    }
    void showError(const QString &text) override { m_err << text << Qt::endl; }

private:
    QTextStream &m_out;
    QTextStream &m_err;
};

class NoDesktop final : public Desktop
{
public:
    bool openFile(const QString &) override { return false; }
    bool canPrint() const override { return false; }
    QString printPdf(const QString &) override { return QStringLiteral("命令行下不打印"); }
    void showPreview(QWidget *, const QString &) override {}
};

// The command line's word on replacing a file at --into: --replace, or a refusal saying so.
ReplaceConsent replaceConsent(bool replace)
{
    return [replace](const QString &path) {
        if (!replace)
            throw AppError(QStringLiteral("文件“%1”已存在，没有被替换。要替换它，请加上 --replace。")
                               .arg(QDir::toNativeSeparators(path)));
        return true;
    };
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

// "backup" and "restore"; returns what to print. Throws AppError.
QString backupCommand(Command command, const Options &options)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (command == Command::Backup) {
        const QString into = options.intoGiven ? options.into : QString();
        return QStringLiteral("已备份到 %1").arg(QDir::toNativeSeparators(DatabaseBackup::backupFile(options.db, into, now)));
    }
    const QString saved = DatabaseBackup::restore(options.from, options.db, now);
    QString text = QStringLiteral("已用 %1 恢复 %2。")
                       .arg(QDir::toNativeSeparators(options.from), QDir::toNativeSeparators(options.db));
    if (!saved.isEmpty())
        text += QStringLiteral("原来的文件已备份为 %1").arg(QDir::toNativeSeparators(saved));
    return text;
}

} // namespace

bool isAdminCommand(const QStringList &givenArgs)
{
    const QStringList args = withoutProgram(givenArgs);
    return !args.isEmpty() && commandOf(args.front()) != Command::None;
}

int runAdminCommand(const QStringList &givenArgs, QTextStream &out, QTextStream &err, const QString &programFolder)
{
    const QString programDir = defaultProgramDir(programFolder);
    const QStringList args = withoutProgram(givenArgs);
    const Command command = args.isEmpty() ? Command::None : commandOf(args.front());
    const QString help = kHelp.arg(checkNames(), QDir::toNativeSeparators(programDir));
    if (command == Command::None) {
        err << help;
        err.flush();
        return 2;
    }
    Options options;
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

    if (command == Command::Restore && options.from.trimmed().isEmpty())
        return usageError(QStringLiteral("请用 --from 给出要恢复的备份文件。"));

    try {
        if (command == Command::Backup || command == Command::Restore) {
            out << backupCommand(command, options) << Qt::endl;
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
            OutputTarget(QFileInfo(options.db).absoluteFilePath(), options.dir.isEmpty() ? programDir : options.dir)
                .ensureAllowed(options.into, OutputTarget::Kind::Workbook);
            if (AtomicFile::occupied(options.into))
                replaceConsent(options.replace)(QFileInfo(options.into).absoluteFilePath());
        }
        // Checks and exports only read: the file is opened so that it works on a
        // read-only file or folder and nothing is written beside it.
        const bool reads = command == Command::Check || exporting;
        std::unique_ptr<SqlDatabase> db =
            SqlDatabase::openSqlite(options.db, reads ? SqliteMode::ReadOnly : SqliteMode::ReadWrite);
        ConsoleMessages messages(out, err);
        SystemClock clock;
        NoDesktop desktop;
        Services services{messages, clock, desktop, options.dir.isEmpty() ? programDir : options.dir,
                          QStringLiteral("tavro")};
        if (command == Command::ExportStudents) {
            const QString table = TableLists::listedName(TableLists::tableNames(*db), options.table.trimmed());
            if (table.isEmpty())
                throw AppError(QStringLiteral("数据库中没有表“%1”。").arg(options.table.trimmed()));
            const SpreadsheetRenderer renderer;
            TemplatePrinting printing(*db, services, renderer);
            printing.setReplaceConsent(replaceConsent(options.replace));
            const QString written = printing.exportStudents(table, TableLists::recordItems(*db, table), options.into);
            if (written.isEmpty())
                throw AppError(QStringLiteral("没有写出文件：") + options.into);
            out << QDir::toNativeSeparators(written) << Qt::endl;
            return 0;
        }
        const QStringList tables = chooseTables(*db, options);
        switch (command) {
        case Command::Check: {
            DataChecks checks(*db, options.dir.isEmpty() ? programDir : options.dir, nullptr);
            out << QDir::toNativeSeparators(checks.run(*check, tables)) << Qt::endl;
            break;
        }
        case Command::Pad:
            out << RegionCodePadding::resultMessage(RegionCodePadding::padRegionCodes(*db, tables)) << Qt::endl;
            break;
        case Command::Merge: {
            const QString reason = TableMerge::refusal(options.into, tables);
            if (!reason.isEmpty())
                throw AppError(reason);
            out << TableMerge::resultMessage(TableMerge::mergeTables(*db, tables, options.into, options.replace)) << Qt::endl;
            break;
        }
        case Command::Export: {
            const auto shape = structure == QLatin1String("init1") ? ExportTablesToSheets::Structure::Init1
                                                                    : ExportTablesToSheets::Structure::Init2;
            ExportTablesToSheets exporter(*db, services);
            exporter.setReplaceConsent(replaceConsent(options.replace));
            const QString written = exporter.run(tables, shape, options.into);
            if (written.isEmpty())
                throw AppError(QStringLiteral("没有写出文件：") + options.into);
            out << QDir::toNativeSeparators(written) << Qt::endl;
            break;
        }
        case Command::ExportStudents:
        case Command::Backup:
        case Command::Restore:
        case Command::Help:
        case Command::None:
            break;
        }
    } catch (const AppError &e) {
        err << e.text() << Qt::endl;
        return 1;
    }
    return 0;
}
