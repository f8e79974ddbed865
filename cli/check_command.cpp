#include "commands.h"

#include <QDir>
#include <QTextStream>

namespace Commands {

void check(Database &db, DataChecks::Check check, const QStringList &tables, const QString &dir, QTextStream &out)
{
    DataChecks checks(db, dir);
    out << QDir::toNativeSeparators(checks.run(check, tables)) << Qt::endl;
}

} // namespace Commands
