#pragma once

#include <optional>

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

// The widget-free rules behind checking and encoding one student record of the
// entry form: text clean-up, the content rules of a save (birth date, ID
// number, postcode, telephone numbers, place of origin), the 班号 value and the
// texts of the messages a failed check shows. Pure functions; any thread.
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

// The fields that the content rules check, as the form holds them (not trimmed).
struct ContentInput
{
    QDate birthDate;
    QDateTime startup;
    bool residentIdCard = true; // card type is the first item, "1-居民身份证"
    QString cardNo;
    QString zip;
    QString contact;
    QString contact1;
    QString contact2;
    QString jiguan;
};

// The first content rule that fails, in the order the save checks them.
struct ContentFailure
{
    enum class Field { BirthDate, CardNo, Zip, Contact, Contact1, Contact2, Jiguan };
    Field field;         // the control that gets the input focus
    QString message;
    bool askToContinue;  // true for 籍贯 only: a Yes/No question; Yes saves anyway
};

// Runs the content rules (birth date, ID number for a resident ID card,
// postcode, the three telephone numbers, 籍贯) in that order and returns the
// first failure, or nothing when all pass. The empty-field pass comes before
// this and belongs to the form.
std::optional<ContentFailure> firstContentFailure(const ContentInput &input,
                                                  const QLocale &locale = QLocale());

} // namespace EntryRules
