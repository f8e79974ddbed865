#pragma once

#include <QString>

// The block of the print template that shows one student: columns A to F,
// 50 rows, at the top of the template sheet (A1:F50). The multi-person export
// stacks copies of it, the k-th (from 0) beginning at row 1 + 50k. Any thread.
namespace PrintTemplateGeometry {

inline constexpr int kBlockRows = 50;
inline constexpr QLatin1Char kLastColumn{'F'};

// The first row of the k-th block (k from 0).
constexpr int blockStart(int k)
{
    return 1 + k * kBlockRows;
}

// The last row of the block that begins at firstRow.
constexpr int blockEnd(int firstRow)
{
    return firstRow + kBlockRows - 1;
}

// The block beginning at firstRow as a range written from its bottom-right
// corner ("F50:A1" for the template's own block).
inline QString blockRange(int firstRow)
{
    return QStringLiteral("%1%2:A%3").arg(kLastColumn).arg(blockEnd(firstRow)).arg(firstRow);
}

} // namespace PrintTemplateGeometry
