#pragma once

#include <QString>
#include <QStringList>

#include "platform/sql_statement.h"
#include "platform/table_name.h"

// The statements of saving a student record. Every value is a bound
// parameter, so any typed text is stored exactly as typed and can never
// change the statement; the table name takes its engine's form. Their
// logText() is the exact text the program has always written to debug.txt
// for whoever diagnoses a failed save. Pure functions; any thread.
namespace SaveStatements {

// "Select id from T where (姓名 = '...') or (身份证件号='...')". The caller
// passes the name and ID number trimmed (EntryRules::trimControls), not
// blank-stripped.
SqlStatement duplicateQuery(const TableName &classTable, Database::Engine engine, const QString &name,
                            const QString &cardNo);

// "insert into T (47 columns) values (47 values ) ". values: the 47 encoded
// values in the order of RecordColumns::dataColumns(), 班号 included.
// Throws std::invalid_argument when values does not hold 47 texts.
SqlStatement insertStatement(const TableName &classTable, Database::Engine engine, const QStringList &values);

// "update T set ... where id = <id>": every column but 班号, whose entry in
// values is ignored (a record keeps the 班号 it was inserted with).
// Throws std::invalid_argument when values does not hold 47 texts.
SqlStatement updateStatement(const TableName &classTable, Database::Engine engine, const QStringList &values,
                             qint64 id);

} // namespace SaveStatements
