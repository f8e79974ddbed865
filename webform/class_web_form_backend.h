#pragma once

#include <memory>

#include <QString>

#include "webform/web_form_backend.h"

class Clock;
class Database;

// The web form's backend for one class table: the core's description of the
// record's fields and region lists, the core's judging of a submission, and
// the program's own queue (SubmissionQueue), on the database the program or
// `tavro serve` has open. The database is used on the server's thread only.
std::unique_ptr<WebFormBackend> makeClassWebFormBackend(Database &db, const QString &classTable, const Clock &clock);
