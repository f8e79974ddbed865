#pragma once

#include <QDateTime>
#include <QString>

class Clock;
class Database;

// The teacher's password, kept in the database so that every workstation of a
// server asks for the same one. Only its Argon2id hash is stored (libsodium's
// string form, which carries the salt and the cost parameters), as the setting
// "teacher.password". Used from the user-interface thread only.
namespace TeacherPassword {

inline constexpr int MinLength = 6;

// Whether a password has been set on this database.
bool isSet(Database &db);

// Sets the first password. False (and nothing changed) when another
// workstation set one meanwhile: the test and the write are one transaction
// holding the settings against other writers, so of two first setters one
// wins. Throws AppError for a password shorter than MinLength.
bool setFirst(Database &db, const QString &password);

// Sets a new password whether or not one was set (the command line's
// `tavro password`). Throws AppError for a password shorter than MinLength.
void change(Database &db, const QString &password);

// True when the password matches the one stored; false when none is set.
bool verify(Database &db, const QString &password);

} // namespace TeacherPassword

// Wrong passwords in a row: after `allowed` of them the next try is refused
// until `waitSeconds` have passed; a right one starts the count afresh.
// Used from the user-interface thread only.
class PasswordTries
{
public:
    explicit PasswordTries(const Clock &clock, int allowed = 5, int waitSeconds = 30);

    // Seconds until a try is taken again; 0 when one may be made now.
    int secondsToWait() const;
    void wrong();
    void right();

private:
    const Clock &m_clock;
    int m_allowed;
    int m_waitSeconds;
    int m_wrongInARow = 0;
    QDateTime m_waitUntil;
};
