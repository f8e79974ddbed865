#include "heading_row_search.h"

#include <algorithm>

#include "core/import/import_headings.h"

namespace HeadingRowSearch {

Found find(SheetRowReader &reader)
{
    Found found;
    SheetRow row;
    while (found.read.size() < SearchedRows && reader.next(row)) {
        QStringList texts;
        for (const SheetCell &cell : row.cells)
            texts << cell.text.trimmed();
        const ImportHeadings::RowFit fit = ImportHeadings::fitOf(texts);
        found.read << row;
        if (fit == ImportHeadings::RowFit::Full) {
            found.headings = int(found.read.size()) - 1;
            break;
        }
        if (fit == ImportHeadings::RowFit::NameOnly && found.headings < 0)
            found.headings = int(found.read.size()) - 1;
    }
    if (found.read.isEmpty())
        return found;
    const auto widest = std::max_element(found.read.cbegin(), found.read.cend(), [](const SheetRow &a, const SheetRow &b) {
        return a.cells.size() < b.cells.size();
    });
    found.shown = found.headings >= 0 ? found.headings : int(std::distance(found.read.cbegin(), widest));
    return found;
}

} // namespace HeadingRowSearch
