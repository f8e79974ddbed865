#pragma once

#include <QString>

// The receipt a submitter gets for a web submission: 128 random bits from
// libsodium, written as 22 characters of base64url. Only its hash is kept, so
// the queue never holds what lets one read a submission. Any thread.
namespace SubmissionReceipt {

// A new receipt. Throws AppError when no random source can be had.
QString make();

// Whether the text has a receipt's shape (22 base64url characters): anything
// else is answered without a look at the database.
bool looksLikeReceipt(const QString &text);

// The receipt's SHA-256 as 64 lower-case hex digits, as the queue stores it.
QString hashOf(const QString &receipt);

} // namespace SubmissionReceipt
