#pragma once

#include <QSet>
#include <QStringList>

class Database;

// Which pupils still lack which fields: per class each pupil with required
// fields empty (RecordRules::missing), then per class the counts of pupils,
// complete and incomplete, with a school total. The lines of the 待补全 check
// report. Reads only; DatabaseError propagates.
namespace Completeness {

QStringList reportLines(Database &db, const QStringList &tables);

// The pupils of one class whose record lacks a required field.
int incompleteCount(Database &db, const QString &table);
// Their ids.
QSet<qint64> incompleteIds(Database &db, const QString &table);

} // namespace Completeness
