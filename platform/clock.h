#pragma once

#include <utility>

#include <QDateTime>

// Where the local date and time come from; tests use a fixed one.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDateTime at) : m_at(std::move(at)) {}
    QDateTime now() const override { return m_at; }
    // Moves the clock on (a wait that has to pass in a test).
    void set(QDateTime at) { m_at = std::move(at); }

private:
    QDateTime m_at;
};
