#pragma once

#include <QStringList>

class QTextStream;

// The administrator's command line: the checks, the padding, the merge and the
// exports of the management window without a window, the backups of the local
// file and the preparation of a server database. A command works on the local
// file given with --db, otherwise on the database of config.ini (the program
// folder's, or the one in --dir), as the window does.
//
//   tavro check <检查名> [--db tavro.db] [--tables 高一01,高一02] [--dir 文件夹]
//   tavro pad [--db tavro.db] [--tables ...]
//   tavro merge [--into 合并表] [--db tavro.db] [--tables ...]
//   tavro export --into 文件.xlsx [--structure Init1] [--replace] [--db tavro.db] [--tables ...]
//   tavro export-students --table 高一01 --into 文件.xlsx [--replace] [--db tavro.db] [--dir 文件夹]
//   tavro backup [--into 文件] [--db tavro.db]
//   tavro restore --from 备份文件 [--db tavro.db]
//   tavro init-db [--dir 文件夹]
//
// An export never lands on the database, its -wal/-shm/-journal or the
// template, and replaces a file at --into only with --replace.
//   tavro --help
//
// args are the command-line arguments after the program name
// (QCoreApplication::arguments() with the program name first is accepted too).
// A QCoreApplication must exist: the database driver is a plugin.

// True when the arguments ask for one of the commands above (or for --help).
bool isAdminCommand(const QStringList &args);

// Runs the command; messages go to out, failures to err. Returns the exit
// status: 0 on success, 1 when the operation failed or was refused (an
// unexpected failure too, reported with its text), 2 for a command line that
// cannot be understood. programFolder: where check.txt, Template.xlsx and
// config.ini lie unless --dir says otherwise (empty: the executable's folder);
// configIni: the config.ini main chose for that folder (empty: the folder's own).
int runAdminCommand(const QStringList &args, QTextStream &out, QTextStream &err,
                    const QString &programFolder = QString(), const QString &configIni = QString());
