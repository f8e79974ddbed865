#include "command_options.h"

#include "core/operations/table_lists.h"
#include "platform/app_error.h"

namespace {

void store(const QString &name, const QString &value, CommandOptions &options)
{
    if (name == QLatin1String("--db")) {
        options.db = value;
        options.dbGiven = true;
    } else if (name == QLatin1String("--dir")) {
        options.dir = value;
    } else if (name == QLatin1String("--into")) {
        options.into = value;
        options.intoGiven = true;
    } else if (name == QLatin1String("--structure")) {
        options.structure = value;
    } else if (name == QLatin1String("--table")) {
        options.table = value;
    } else if (name == QLatin1String("--from")) {
        options.from = value;
    } else if (name == QLatin1String("--id")) {
        options.id = value.trimmed();
    } else if (name == QLatin1String("--since")) {
        options.since = value.trimmed();
    } else if (name == QLatin1String("--sheet")) {
        options.sheet = value;
    } else if (name == QLatin1String("--duplicates")) {
        options.duplicates = value.toLower();
    } else if (name == QLatin1String("--report")) {
        options.report = value;
    } else if (name == QLatin1String("--replace")) {
        options.replace = true;
    } else if (name == QLatin1String("--encrypt")) {
        options.encrypt = true;
    } else if (name == QLatin1String("--dry-run")) {
        options.dryRun = true;
    } else if (name == QLatin1String("--create")) {
        options.create = true;
    } else if (name == QLatin1String("--ids")) {
        options.ids = value;
    } else if (name == QLatin1String("--reason")) {
        options.reason = value.trimmed();
    } else if (name == QLatin1String("--note")) {
        options.note = value;
    } else if (name == QLatin1String("--port")) {
        options.port = value.trimmed();
    } else if (name == QLatin1String("--plain")) {
        options.plain = true;
    } else if (name == QLatin1String("--to")) {
        options.to = value.trimmed();
    } else if (name == QLatin1String("--tables")) {
        options.tablesGiven = true;
        QString list = value;
        list.replace(QStringLiteral("，"), QStringLiteral(","));
        for (const QString &table : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!table.trimmed().isEmpty())
                options.tables << table.trimmed();
        }
    } else {
        // An option the catalog declares but nothing here stores is a fault of this file.
        Q_ASSERT_X(false, "store", qPrintable(name));
    }
}

// The value of an option some command requires; only these can be required.
QString given(const CommandOptions &options, const QString &name)
{
    if (name == QLatin1String("--into"))
        return options.intoGiven ? options.into.trimmed() : QString();
    if (name == QLatin1String("--table"))
        return options.table.trimmed();
    if (name == QLatin1String("--from"))
        return options.from.trimmed();
    if (name == QLatin1String("--ids"))
        return options.ids.trimmed();
    if (name == QLatin1String("--reason"))
        return options.reason;
    if (name == QLatin1String("--to"))
        return options.to;
    return QStringLiteral("?");
}

} // namespace

QString parseOptions(CommandCatalog::Command command, const QStringList &args, CommandOptions &options)
{
    using namespace CommandCatalog;
    const QString word = info(command).word;
    // Asking for the command's help is answered whatever else was typed.
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        options.help = true;
        return QString();
    }
    for (int i = 1; i < args.size(); ++i) {
        QString arg = args.at(i);
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
        const OptionInfo *option = optionNamed(arg);
        if (!option)
            return QStringLiteral("未知的选项：%1").arg(arg);
        if (!option->takenBy.contains(command))
            return QStringLiteral("tavro %1 不接受选项 %2。").arg(word, arg);
        if (option->value.isEmpty()) {
            if (eq >= 0)
                return QStringLiteral("选项 %1 不带值：%2").arg(arg, args.at(i));
        } else if (eq < 0) {
            if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--")))
                return QStringLiteral("选项 %1 缺少值。").arg(arg);
            value = args.at(++i);
        }
        if (!option->choices.isEmpty() && !option->choices.contains(value.toLower()))
            return QStringLiteral("选项 %1 只能是 %2：%3").arg(arg, option->value.split(QLatin1Char('|')).join(QStringLiteral(" 或 ")), value);
        store(arg, value, options);
    }
    for (const OptionInfo &option : CommandCatalog::options()) {
        if (option.requiredBy.contains(command) && given(options, option.name).isEmpty())
            return QStringLiteral("tavro %1 需要选项 %2。").arg(word, optionUsage(option));
    }
    return QString();
}

std::optional<QList<qint64>> parseIds(const QString &text)
{
    QString list = text;
    list.replace(QStringLiteral("，"), QStringLiteral(","));
    QList<qint64> ids;
    for (const QString &part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 id = part.trimmed().toLongLong(&ok);
        if (!ok || id <= 0)
            return std::nullopt;
        ids << id;
    }
    if (ids.isEmpty())
        return std::nullopt;
    return ids;
}

QString listedClassTable(Database &db, const QString &typed)
{
    const QString name = TableLists::listedName(TableLists::tableNames(db), typed);
    if (name.isEmpty())
        throw AppError(QStringLiteral("数据库中没有班级表“%1”，没有作任何改动。").arg(typed));
    return name;
}

QStringList chooseTables(Database &db, const CommandOptions &options)
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
        throw AppError(TableLists::chooseTablesFirstText());
    return tables;
}
