#pragma once

#include <QDate>
#include <QString>

// The entry year preselected for a grade: the September a class started in,
// seen from the start-up date.
namespace EntryYear {

// 0 when the grade label is not one of the twelve.
int forGrade(const QString &grade, const QDate &startup);

// Newest year the year list offers: the start-up year, but never before 2015
// (the list runs from it down to 1999).
int newestListed(const QDate &startup);

inline constexpr int kOldestListed = 1999;

} // namespace EntryYear
