#include "commands.h"

#include <QTextStream>

#include "core/keeping/import_undo.h"

namespace Commands {

int undoImport(Database &db, qint64 act, bool dryRun, QTextStream &out, QTextStream &err)
{
    if (dryRun)
        return undoImportPlan(db, act, out, err);
    const ImportUndo::Plan done = ImportUndo::execute(db, act);
    if (done.takeOut.isEmpty()) {
        err << ImportUndo::planText(done) << Qt::endl;
        return 1;
    }
    out << ImportUndo::planText(done) << Qt::endl;
    return 0;
}

} // namespace Commands
