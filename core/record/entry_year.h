#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The entry year preselected for a grade: the September a class started in,
// seen from the start-up date.
namespace EntryYear {

// 0 when the grade label is not one of the twelve.
int forGrade(const QString &grade, const QDate &startup);

// Newest year the year list offers: the start-up year, but never before 2015
// (the list runs from it down to EntryForm::OldestEntryYear).
int newestListed(const QDate &startup);

// The twelve grade labels in the order the class choice lists them
// (高一 to 高三, 初一 to 初三, 小一 to 小六).
QStringList gradeLabels();

} // namespace EntryYear
