#pragma once

#include <algorithm>
#include <type_traits>

#include <QElapsedTimer>
#include <QList>

// The median wall time in milliseconds of runs calls of f; f may take the run's index.
template<typename F>
double medianMs(int runs, F &&f)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if constexpr (std::is_invocable_v<F, int>)
            f(i);
        else
            f();
        times << t.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}
