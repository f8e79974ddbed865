#pragma once

#include <QString>
#include <QStringList>

// The SQL texts of saving a student record, in the exact form the program has
// always issued them (debug.txt shows them to whoever diagnoses a failed
// save). Table names go in as they are; every value goes between single
// quotes with its own single quotes doubled, so any typed text is stored
// exactly as typed and cannot end the literal. Pure functions; any thread.
namespace SaveStatements {

// "Select id from T where (姓名 = '...') or (身份证件号='...')". The caller
// passes the name and ID number trimmed (EntryRules::trimControls), not
// blank-stripped.
QString duplicateQuery(const QString &classTable, const QString &name, const QString &cardNo);

// "insert into T (47 columns) values (47 values ) ". values: the 47 encoded
// values in the order of RecordColumns::dataColumns(), 班号 included.
// Throws std::invalid_argument when values does not hold 47 texts.
QString insertStatement(const QString &classTable, const QStringList &values);

// "update T set ... where id = <id>": every column but 班号, whose entry in
// values is ignored (a record keeps the 班号 it was inserted with).
// Throws std::invalid_argument when values does not hold 47 texts.
QString updateStatement(const QString &classTable, const QStringList &values, qint64 id);

} // namespace SaveStatements
