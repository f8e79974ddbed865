#pragma once

#include <QList>
#include <QString>

#include "core/keeping/history.h"
#include "platform/atomic_file.h"

// The history lines as a workbook for paper or a spreadsheet: one sheet
// 修改记录, a heading row and a row per line, every cell text. Written whole
// or not at all. Used from one thread at a time.
namespace HistoryWorkbook {

// The headings, in the order of the columns (also the window's table).
const QStringList &headings();

// The texts of one line under those headings.
QStringList cells(const HistoryLine &line);

void write(const QList<HistoryLine> &lines, const QString &path,
           AtomicFile::Existing existing = AtomicFile::Existing::Keep);

} // namespace HistoryWorkbook
