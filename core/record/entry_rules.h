#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

// The single rules behind checking and encoding the values of a student record:
// text clean-up, the content rules (birth date, ID number shape, postcode,
// telephone numbers, place of origin), the 班号 value and the texts of the
// messages a failed rule shows. RecordRules applies them to a whole record.
// Pure functions; any thread.
namespace EntryRules {

// True when every character is one of 0-9 (ASCII digits only). The empty text gives true.
bool IsAllDigits(const QString &text);

// True when the text has exactly 15 or exactly 18 characters and either every
// character is a digit 0-9 or its last character is "x"/"X" (the others are
// then not examined). The full check-digit test lives in IdNumberCheck.
bool IsValidIdNumber(const QString &text);

// Leading and trailing characters with codes up to 32 (blank and the control
// characters) removed. Unlike QString::trimmed(), this keeps Unicode spaces
// such as U+3000 and U+00A0 and removes every control character, not only
// the whitespace ones.
QString trimControls(const QString &text);

// How typed text is stored: every blank (code 32) removed, then trimControls.
QString StripBlanks(const QString &text);

// Full-width digits and Latin letters (０-９, Ａ-Ｚ, ａ-ｚ, as a Chinese input
// method types them) as their half-width ones; every other character kept.
QString halfWidth(const QString &text);

// The stage digit of a class table: from the first character of its name,
// "小" gives "1", "初" "2", "高" "3", anything else "0".
QString stageDigit(const QString &classTableName);

// 班号: entry year text + stage digit + class number ("01" to "30");
// 高一01 with 2015 gives 2015301 (StoredValue::encodeClassCode).
QString classCode(const QString &entryYear, const QString &classTableName, const QString &classNumber);

// Whole years between the birth date (taken at 00:00) and the start-up date
// and time: the absolute difference in days, time-of-day fraction included,
// divided by 365.25 and truncated. With start-up at 00:00, 1826 days give 4
// (4.9993) and 1827 days give 5.
int yearsBetween(QDate birth, const QDateTime &startup);

// The birth-date rule: more than 4 whole years between birth and start-up
// (in either direction). An invalid date is never accepted.
bool birthDateAccepted(QDate birth, const QDateTime &startup);

// The place-of-origin rule: the text contains 省, 市, and 县 or 区, anywhere.
bool jiguanAccepted(const QString &jiguan);

// Message texts, each built from the offending value exactly as the control holds it.
QString emptyFieldsMessage(int count);
// The birth date in the given locale's short date format (the program's default
// locale, Chinese, unless told otherwise).
QString birthDateMessage(QDate birth, const QLocale &locale = QLocale());
QString idNumberMessage(const QString &cardNo);
QString postcodeMessage(const QString &zip);
QString contactMessage(const QString &contact);
QString member1ContactMessage(const QString &contact1);
QString member2ContactMessage(const QString &contact2);
// Asked with Yes/No (information icon); contains a CR LF line break.
QString jiguanMessage(const QString &jiguan);

} // namespace EntryRules
