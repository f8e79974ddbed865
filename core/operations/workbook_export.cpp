#include "workbook_export.h"

#include "platform/output_target.h"

std::optional<AtomicFile::Existing> admitExportFile(const OutputTarget &target, const QString &into, bool replace,
                                                    WorkbookExport &outcome)
{
    QString occupied;
    const std::optional<AtomicFile::Existing> admitted = target.admitWorkbook(into, [&](const QString &path) {
        occupied = path;
        return replace;
    });
    if (!admitted) {
        outcome.outcome = WorkbookExport::Outcome::NeedsConsent;
        outcome.path = occupied;
    }
    return admitted;
}
