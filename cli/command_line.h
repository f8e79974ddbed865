#pragma once

#include <QStringList>

class QTextStream;

// The administrator's command line: the checks, the padding, the merge and the
// exports of the management window without a window, the backups of the local
// file and the preparation of a server database. A command works on the local
// file given with --db, otherwise on the database of config.ini (the program
// folder's, or the one in --dir), as the window does.
//
// The commands and the options each takes are listed once, in
// command_catalog.cpp; tavro --help prints them. An export never lands on the
// database, its -wal/-shm/-journal or the template, and replaces a file at
// --into only with --replace.
//
// args are the command-line arguments after the program name
// (QCoreApplication::arguments() with the program name first is accepted too).
// A QCoreApplication must exist: the database driver is a plugin.

// True when the arguments are for the command line rather than the entry
// window: anything but the window's own start-up switches (-access,
// -documents, Qt's switches) or no arguments at all. A mistyped command word
// is so answered with a usage error instead of opening the window.
bool isAdminCommand(const QStringList &args);

// Runs the command; messages go to out, failures to err. Returns the exit
// status: 0 on success, 1 when the operation failed or was refused (an
// unexpected failure too, reported with its text), 2 for a command line that
// cannot be understood. programFolder: where check.txt, Template.xlsx and
// config.ini lie unless --dir says otherwise (empty: the executable's folder);
// configIni: the config.ini main chose for that folder (empty: the folder's own).
int runAdminCommand(const QStringList &args, QTextStream &out, QTextStream &err,
                    const QString &programFolder = QString(), const QString &configIni = QString());
