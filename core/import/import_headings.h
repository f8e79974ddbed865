#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Which record column a spreadsheet heading stands for: the 47 record columns
// by name, the national structure's headings of Init1 (those it shares with the
// record by name; the others carry nothing the record keeps), and a short list
// of common alternatives. Nothing else is guessed. Pure; any thread.
namespace ImportHeadings {

inline constexpr int Ignored = -1; // id, and national headings the record does not keep
inline constexpr int Unknown = -2; // no column: listed for the user

// The RecordColumns::Index of the heading, or Ignored / Unknown. Blanks, a
// leading item number ("2.性别") and letter case do not matter.
int columnOf(const QString &heading);

// How well a row serves as the headings' row: Full when it holds 姓名 and
// another known heading, NameOnly when 姓名 is its only known heading (a
// list of names), None without 姓名 (a title above the headings, a pupil).
enum class RowFit { None, NameOnly, Full };
RowFit fitOf(const QStringList &cells);

// The alternative headings and the record column each stands for, in the
// order the README lists them.
const QList<QPair<QString, QString>> &alternatives();

} // namespace ImportHeadings
