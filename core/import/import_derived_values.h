#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The values the entry form derives from others, for an imported row that
// left them empty. Pure; any thread.
namespace ImportDerivedValues {

// values: the 47 stored values in RecordColumns::dataColumns() order. From a
// resident ID that passes the full check (身份证件类型 empty or 1-居民身份证):
// 性别 and 出生日期 when empty, 身份证件类型 1-居民身份证 when empty. 班号
// when empty: as the form builds it, the entry year from 入学年月 or else the
// year the class setup preselects for the table's grade on `today`.
void fill(QStringList &values, const QString &table, const QDate &today);

} // namespace ImportDerivedValues
