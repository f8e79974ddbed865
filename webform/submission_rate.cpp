#include "submission_rate.h"

bool SubmissionRate::admit(const QString &address)
{
    const qint64 now = m_clock.elapsed();
    // Forget what fell out of the window everywhere, so the table stays small.
    for (auto it = m_attempts.begin(); it != m_attempts.end();) {
        while (!it->empty() && now - it->front() >= 60'000)
            it->pop_front();
        it = it->empty() ? m_attempts.erase(it) : std::next(it);
    }
    std::deque<qint64> &times = m_attempts[address];
    if (times.size() >= size_t(m_perMinute))
        return false;
    times.push_back(now);
    return true;
}
