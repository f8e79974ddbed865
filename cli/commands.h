#pragma once

#include <QStringList>

#include "core/operations/data_checks.h"

class Database;
class QTextStream;
struct CommandOptions;
struct Services;

// The commands of the command line on an open database, one family per file
// (check_command.cpp, table_commands.cpp, export_commands.cpp,
// backup_commands.cpp). Each prints its outcome on out and throws AppError
// when it fails or is refused.
namespace Commands {

// "check": writes check.txt into dir.
void check(Database &db, DataChecks::Check check, const QStringList &tables, const QString &dir, QTextStream &out);

// "pad" and "merge".
void pad(Database &db, const QStringList &tables, QTextStream &out);
void merge(Database &db, const CommandOptions &options, const QStringList &tables, QTextStream &out);

// "export" (each table a sheet) and "export-students" (the print template, one
// table). They return the exit status: 0 with the file written, 1 with the
// reason no file was written on err.
int exportTables(Database &db, Services &services, const CommandOptions &options, const QStringList &tables,
                 QTextStream &out, QTextStream &err);
int exportStudents(Database &db, Services &services, const CommandOptions &options, QTextStream &out,
                   QTextStream &err);

// "import": reads --from, checks its rows against --table and, unless
// --dry-run, imports the accepted ones in one transaction; prints the counts
// and the rows left out, writes --report when given. Returns 0 when the
// import ran (rows left out or not).
int importTable(Database &db, const CommandOptions &options, QTextStream &out);

// "remove", "removed", "bring-back", "delete-removed" and "move"
// (lifecycle_commands.cpp): ids are those parseIds() read from --ids.
void remove(Database &db, const CommandOptions &options, const QList<qint64> &ids, QTextStream &out);
void listRemoved(Database &db, const CommandOptions &options, QTextStream &out);
void bringBack(Database &db, const QList<qint64> &ids, QTextStream &out);
void deleteRemoved(Database &db, const QList<qint64> &ids, QTextStream &out);
void move(Database &db, const CommandOptions &options, const QList<qint64> &ids, QTextStream &out);

// "backup" and "restore" work on the local file at --db (tavro.db by default).
// backup returns its history detail: the file, whether it is encrypted, the
// classes and pupils it holds. With --encrypt it asks the password (twice at a
// terminal); restore asks it when --from is an encrypted backup.
QString backup(const CommandOptions &options, QTextStream &out);
void restore(const CommandOptions &options, QTextStream &out);

// "history": the lines the filter lets through, oldest first.
void history(Database &db, const CommandOptions &options, QTextStream &out);

// "undo-import N": plans the undo of the import with that act number and,
// unless --dry-run, takes its unchanged rows out. Returns 0 when rows were
// taken out (or would be, on a dry run), 1 when nothing could be undone.
int undoImport(Database &db, qint64 act, bool dryRun, QTextStream &out, QTextStream &err);
// The plan alone, as a dry run shows it.
int undoImportPlan(Database &db, qint64 act, QTextStream &out, QTextStream &err);

// "find": the pupils of every class table the text finds (name, part of a
// name, ID number of six characters or more, internal number), one per line.
void find(Database &db, const QString &text, QTextStream &out);

// "password": stores the new teacher's password (already typed twice) with
// its history line.
void password(Database &db, const QString &password, QTextStream &out);
// "submissions", "accept" and "reject" (submission_commands.cpp): the web
// form's queue of one class (--table). accept and reject return 0 when every
// id was done, 1 when one was not (each said on err; the others stand).
// debugFilePath: debug.txt in the program folder, as the entry form's save.
void listSubmissions(Database &db, const CommandOptions &options, QTextStream &out);
int acceptSubmissions(Database &db, const CommandOptions &options, const QList<qint64> &ids,
                      const QString &debugFilePath, QTextStream &out, QTextStream &err);
int rejectSubmissions(Database &db, const CommandOptions &options, const QList<qint64> &ids, QTextStream &out,
                      QTextStream &err);

// A read-out's history line (导出, 检查, 备份): written on a database that can be
// written and has a history already; a read-only file is read without one.
// Never fails the read-out: a line that cannot be written is said on err.
// db: the read-out's own connection, or nullptr for the local file at --db.
void recordReadOut(Database *db, const CommandOptions &options, const QString &kind, const QString &classTable,
                   const QString &detail, QTextStream &err);

// "serve": opens the class's web form on the school network, prints the
// address, the class code and the certificate's fingerprint, and serves until
// SIGINT or SIGTERM (serve_command.cpp). Returns the exit status.
int serve(Database &db, const CommandOptions &options, const QString &programDir, const QString &configFile,
          QTextStream &out);

} // namespace Commands
