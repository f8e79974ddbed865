#pragma once

#include <optional>

#include <QList>
#include <QStringList>

#include "cli/command_catalog.h"
#include "core/operations/table_merge.h"

class Database;

// What the administrator typed after the command word: "--name value" and
// "--name=value" options, --replace, --help and the words left over.
struct CommandOptions
{
    QString db = QStringLiteral("tavro.db");
    bool dbGiven = false; // without --db a command works on the database of config.ini
    QString dir;
    QString into = TableMerge::defaultTarget();
    bool intoGiven = false;
    bool encrypt = false; // backup: the copy encrypted with a password asked for
    QString structure;
    QString table;
    QString from;
    // import: the sheet to read, whether to write nothing, what to do with
    // duplicates ("skip" or "add") and the report workbook of the rows left out.
    QString sheet;
    bool dryRun = false;
    bool create = false; // a missing class table named by --table may be made from Init2
    QString duplicates = QStringLiteral("skip");
    QString report;
    // remove, bring-back, delete-removed, move: the ids as typed, the reason
    // and its note, the class moved into.
    QString ids;
    QString reason;
    QString note;
    QString to;
    // history: one pupil's id and the first day (both as typed; checked by the command line).
    QString id;
    QString since;
    // serve: the port as typed (checked by the command line) and plain HTTP.
    QString port;
    bool plain = false;
    QStringList tables;
    bool tablesGiven = false;
    QStringList positional;
    bool help = false;
    bool replace = false; // an existing output (workbook, merged table) may be replaced
};

// Parses the arguments after the command word (args.front() is the command):
// only the options the catalog gives the command, each value among the
// option's choices, every option the command requires; returns an error text
// or empty.
QString parseOptions(CommandCatalog::Command command, const QStringList &args, CommandOptions &options);

// The ids of --ids ("3,4", full-width commas and blanks allowed); nullopt
// when one is no positive whole number.
std::optional<QList<qint64>> parseIds(const QString &text);

// The listed class table the typed name stands for (the program's own tables
// are never listed). Throws AppError saying nothing was changed.
QString listedClassTable(Database &db, const QString &typed);

// The tables to work on: the named ones, each of which must exist, or the
// class tables the management window preselects. Throws AppError.
QStringList chooseTables(Database &db, const CommandOptions &options);
