#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/import/sheet_rows.h"

// Reads a sheet's rows on a second thread while the caller checks the rows
// already read, so unpacking and parsing a file and checking its rows share
// the machine's two cores. At most a few hundred rows (and about a million
// characters) wait at a time. A failure of the reading reaches the caller at
// the place in the rows where it happened. Used from one thread at a time.
class ReadAheadRows final : public SheetRowReader
{
public:
    explicit ReadAheadRows(std::unique_ptr<SheetRowReader> reader);
    ~ReadAheadRows() override;

    bool next(SheetRow &row) override;
    int permilleRead() const override;

private:
    using Batch = std::vector<SheetRow>;
    void produce();
    // Hands a batch over, waiting while enough are waiting; false when told to stop.
    bool handOver(Batch &batch, qint64 characters);

    std::unique_ptr<SheetRowReader> m_reader; // used on the reading thread only
    Batch m_current;                          // the caller's batch, read from m_next on
    size_t m_next = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<Batch, qint64>> m_batches; // with their characters
    qint64 m_waitingCharacters = 0;
    bool m_done = false;
    bool m_stop = false;
    std::exception_ptr m_failure;
    int m_permille = 0;
    std::thread m_thread;
};
