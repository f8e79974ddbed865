#include "command_options.h"

#include "core/operations/table_lists.h"
#include "platform/app_error.h"

QString parseOptions(const QStringList &args, CommandOptions &options)
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
        if (arg == QLatin1String("--dry-run")) {
            options.dryRun = true;
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
                                          QStringLiteral("--table"), QStringLiteral("--from"),
                                          QStringLiteral("--sheet"), QStringLiteral("--duplicates"),
                                          QStringLiteral("--report")};
        if (!known.contains(arg))
            return QStringLiteral("未知的选项：%1").arg(arg);
        if (eq < 0) {
            if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--")))
                return QStringLiteral("选项 %1 缺少值。").arg(arg);
            value = args.at(++i);
        }
        if (arg == QLatin1String("--db")) {
            options.db = value;
            options.dbGiven = true;
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
        } else if (arg == QLatin1String("--sheet")) {
            options.sheet = value;
        } else if (arg == QLatin1String("--duplicates")) {
            options.duplicates = value.toLower();
        } else if (arg == QLatin1String("--report")) {
            options.report = value;
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
