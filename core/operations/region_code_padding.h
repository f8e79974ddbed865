#pragma once

#include <QStringList>

#include "platform/database.h"

// Brings 6- and 9-character region codes of class tables up to 12 characters
// by appending zeros, in the four region code columns of every row.
// Used from the user-interface thread only.
namespace RegionCodePadding {

// The columns treated, in order.
const QStringList &columns();

// The eight statements for one table: per column, first the 6-character rule
// ("000000"), then the 9-character rule ("000"). A code stored with trailing
// blanks counts by its length without them and is stored without them.
QStringList statements(Database::Engine engine, const QString &table);

// Runs the statements for every table, top to bottom, and returns the sum of
// the rows affected. Each table is padded in one transaction with its history
// line 补齐. Throws DatabaseError at the first failing statement; the tables
// padded before it stay padded.
qint64 padRegionCodes(Database &db, const QStringList &tables);

// "执行结果，更新符合条件的单项数据共 N 个。"
QString resultMessage(qint64 count);

} // namespace RegionCodePadding
