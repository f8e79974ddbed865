#pragma once

#include <deque>

#include <QElapsedTimer>
#include <QHash>
#include <QString>

// Counts the submissions from each address over the last minute, so that one
// machine cannot flood the queue. Event loop thread only.
class SubmissionRate
{
public:
    explicit SubmissionRate(int perMinute) : m_perMinute(perMinute) { m_clock.start(); }

    // Records an attempt from the address; false when it already made
    // perMinute attempts within the last minute (the attempt is not counted).
    bool admit(const QString &address);

private:
    int m_perMinute;
    QElapsedTimer m_clock;
    QHash<QString, std::deque<qint64>> m_attempts; // times in ms, oldest first
};
