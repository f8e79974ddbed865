#include "commands.h"

#include <memory>

#include <QFileInfo>
#include <QTextStream>

#include "cli/command_options.h"
#include "core/keeping/history.h"
#include "core/keeping/import_undo.h"
#include "platform/app_error.h"
#include "platform/sql_database.h"
#include "platform/transaction.h"

namespace Commands {

void history(Database &db, const CommandOptions &options, QTextStream &out)
{
    HistoryFilter filter;
    filter.classTable = options.table.trimmed();
    filter.pupilId = options.id.toLongLong();
    filter.since = QDate::fromString(options.since, Qt::ISODate);
    const QList<HistoryLine> lines = History::read(db, filter);
    for (const HistoryLine &line : lines)
        out << History::lineText(line) << Qt::endl;
    out << QStringLiteral("共 %1 条修改记录。").arg(lines.size()) << Qt::endl;
}

// The plan alone: a dry run, or an undo with nothing left to take out.
int undoImportPlan(Database &db, qint64 act, QTextStream &out, QTextStream &err)
{
    const ImportUndo::Plan plan = ImportUndo::plan(db, act);
    if (plan.takeOut.isEmpty()) {
        err << ImportUndo::planText(plan) << Qt::endl;
        return 1;
    }
    out << ImportUndo::planText(plan) << Qt::endl << QStringLiteral("（只是检查，没有改动数据库。）") << Qt::endl;
    return 0;
}

// A file whose permission bits forbid writing is read-only by the owner's
// word, even for a user (root) the system would let write it.
static bool markedWritable(const QString &path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    return file.permission(QFileDevice::WriteUser) && folder.permission(QFileDevice::WriteUser);
}

static void writeLine(Database &db, const HistoryEntry &line)
{
    History::prepare(db);
    Transaction transaction(db);
    History::write(db, {line});
    transaction.commit();
}

void recordReadOut(Database *db, const CommandOptions &options, const QString &kind, const QString &classTable,
                   const QString &detail, QTextStream &err)
{
    HistoryEntry line;
    line.kind = kind;
    line.classTable = classTable;
    line.detail = detail;
    try {
        if (db && db->filePath().isEmpty()) {
            writeLine(*db, line); // a server: the read-out's own connection writes
            return;
        }
        const QString path = db ? db->filePath() : QFileInfo(options.db).absoluteFilePath();
        if (!markedWritable(path))
            return;
        // Reading commands open the file read-only; the line goes through a
        // connection of its own, and only into a history already begun, so
        // a file nobody has changed through this program stays as it was
        // (opening it to write alone would touch it). Asked read-only first.
        const bool begun = db ? History::exists(*db)
                              : History::exists(*SqlDatabase::openSqlite(path, SqliteMode::ReadOnly));
        if (!begun)
            return;
        writeLine(*SqlDatabase::openSqlite(path, SqliteMode::ReadWrite), line);
    } catch (const AppError &e) {
        err << QStringLiteral("注意：%1已完成，但没有记入修改记录。").arg(kind) << Qt::endl << e.text() << Qt::endl;
    }
}

} // namespace Commands
