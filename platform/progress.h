#pragma once

#include <functional>

// How a long operation reports its progress: called with the units done so far
// and the total (done == 0 before the first); returns false when the user asked
// to stop, and the operation then ends after the unit it is on, keeping what
// it has done. An empty callback lets the operation run to its end.
using Progress = std::function<bool(int done, int total)>;

// Reports to the callback, if any; true when the operation is to go on.
inline bool reportProgress(const Progress &progress, int done, int total)
{
    return !progress || progress(done, total);
}
