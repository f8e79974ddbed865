#include "commands.h"

#include <QTextStream>

#include "cli/command_options.h"
#include "core/operations/region_code_padding.h"
#include "core/operations/table_merge.h"
#include "platform/app_error.h"

namespace Commands {

void pad(Database &db, const QStringList &tables, QTextStream &out)
{
    out << RegionCodePadding::resultMessage(RegionCodePadding::padRegionCodes(db, tables)) << Qt::endl;
}

void merge(Database &db, const CommandOptions &options, const QStringList &tables, QTextStream &out)
{
    const QString reason = TableMerge::refusal(options.into, tables);
    if (!reason.isEmpty())
        throw AppError(reason);
    out << TableMerge::resultMessage(TableMerge::mergeTables(db, tables, options.into, options.replace)) << Qt::endl;
}

} // namespace Commands
