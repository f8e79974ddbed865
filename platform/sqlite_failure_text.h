#pragma once

#include <QString>

// What a failure of the local database file means for the user, in Chinese,
// with what to do; the engine's own text follows on a second line. Failures
// without a known cause keep the engine's text alone.
namespace SqliteFailureText {

// code: SQLite's result code as Qt reports it (QSqlError::nativeErrorCode),
// extended or primary; engineText: SQLite's message.
QString explain(const QString &code, const QString &engineText);

} // namespace SqliteFailureText
