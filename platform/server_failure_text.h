#pragma once

#include <QString>

// What a failure of the database server means for the user, in Chinese, with
// what to do; the engine's own text follows on a second line. Failures
// without a known cause keep the engine's text alone.
namespace ServerFailureText {

// code: the SQLSTATE the driver reports (QSqlError::nativeErrorCode; empty
// when the client library made the error itself); lost: the connection was
// found broken after the failure.
QString explain(const QString &code, const QString &engineText, bool lost);

} // namespace ServerFailureText
