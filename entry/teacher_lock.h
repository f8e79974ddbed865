#pragma once

#include <functional>

#include <QObject>
#include <QTimer>

#include "core/keeping/teacher_password.h"

class Database;
class QWidget;
struct Services;

// The lock on the teacher's functions of the entry form (edit mode, the
// management window). It opens with the teacher's password kept in the
// database, or, on a database without one, by setting the first. While open,
// an application-wide event filter watches for keyboard and mouse input;
// after the idle interval without any, idle() asks the form to lock.
// Used on the user-interface thread only.
class TeacherLock final : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultIdleMs = 10 * 60 * 1000;

    // `database` gives the class session's database (null before one is open).
    TeacherLock(Services &services, QWidget *window, std::function<Database *()> database);
    ~TeacherLock() override;

    bool isOpen() const { return m_open; }

    // Asks for the password (or for the first one) until it is right, the
    // teacher cancels, or too many wrong tries make them wait. True when open.
    // Database failures throw.
    bool unlock();
    // Locks again; the idle watch stops.
    void lock();
    // Opens without asking: the teacher's identity was checked elsewhere
    // (the test driver uses it to reach edit mode as the teacher).
    void openChecked();

    void setIdleInterval(int milliseconds);
    // Starts the idle interval again.
    void postpone();

signals:
    // No input for the idle interval while open: the form settles the shown
    // record and calls lock() (or, when the record could not be settled,
    // postpone()).
    void idle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool setFirstPassword(Database &db);
    bool askExisting(Database &db);
    void setOpen(bool open);

    Services &m_services;
    QWidget *m_window;
    std::function<Database *()> m_database;
    PasswordTries m_tries;
    QTimer m_idle;
    bool m_open = false;
};
