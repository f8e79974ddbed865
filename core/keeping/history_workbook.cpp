#include "history_workbook.h"

#include "xlsx/xlsx_address.h"
#include "xlsx/xlsx_workbook.h"

namespace HistoryWorkbook {

const QStringList &headings()
{
    static const QStringList list = {QStringLiteral("编号"), QStringLiteral("时间"),   QStringLiteral("操作人"),
                                     QStringLiteral("操作"), QStringLiteral("班级"),   QStringLiteral("学生"),
                                     QStringLiteral("项目"), QStringLiteral("原值"),   QStringLiteral("新值"),
                                     QStringLiteral("说明"), QStringLiteral("操作号")};
    return list;
}

QStringList cells(const HistoryLine &line)
{
    const HistoryEntry &e = line.entry;
    const QString pupil = e.pupilId != 0 ? QStringLiteral("%1 %2").arg(e.pupilId).arg(e.pupilName) : e.pupilName;
    return {QString::number(line.number), line.time, line.who, e.kind, e.classTable, pupil.trimmed(), e.field,
            e.oldValue, e.newValue, e.detail, e.act != 0 ? QString::number(e.act) : QString()};
}

void write(const QList<HistoryLine> &lines, const QString &path, AtomicFile::Existing existing)
{
    XlsxWorkbook book = XlsxWorkbook::create();
    XlsxSheet &sheet = book.sheet(1);
    sheet.rename(QStringLiteral("修改记录"));
    const QStringList &heads = headings();
    for (int c = 0; c < heads.size(); ++c)
        sheet.setCellText(1, c + 1, heads.at(c));
    int row = 2;
    for (const HistoryLine &line : lines) {
        const QStringList texts = cells(line);
        for (int c = 0; c < texts.size(); ++c)
            sheet.setCellText(row, c + 1, texts.at(c));
        ++row;
    }
    sheet.formatAllCellsAsText();
    sheet.autoFitColumns(QStringLiteral("A:") + ColumnLetters(int(heads.size())), XlsxSheet::ListColumnMaxWidth);
    if (row > 2)
        sheet.growRowsToFitText(2, row - 1);
    sheet.printAsList(1);
    book.saveAs(path, 6, existing);
}

} // namespace HistoryWorkbook
