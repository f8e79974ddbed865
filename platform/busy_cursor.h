#pragma once

#include <Qt>

// The application's cursor while work runs without the user: set at once by
// the constructor, restored by the destructor. Does nothing without a GUI
// application. Used from the user-interface thread.
class BusyCursor
{
public:
    explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor);
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_set = false;
};

// The ordinary arrow while a box or dialog waits for the user, when a busy
// cursor is up; the busy cursor comes back afterwards.
class ArrowWhileAsking
{
public:
    ArrowWhileAsking();
    ~ArrowWhileAsking();
    ArrowWhileAsking(const ArrowWhileAsking &) = delete;
    ArrowWhileAsking &operator=(const ArrowWhileAsking &) = delete;

private:
    bool m_set = false;
};
