#include "read_ahead_rows.h"

namespace {

// Rows go over in batches: one handing-over per batch, not per row.
constexpr size_t kBatchRows = 128;
constexpr size_t kMaxWaitingBatches = 4;
constexpr qint64 kMaxWaitingCharacters = 1000000;

} // namespace

ReadAheadRows::ReadAheadRows(std::unique_ptr<SheetRowReader> reader) : m_reader(std::move(reader))
{
    m_sheetName = m_reader->sheetName();
    m_thread = std::thread([this] { produce(); });
}

ReadAheadRows::~ReadAheadRows()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool ReadAheadRows::handOver(Batch &batch, qint64 characters)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return m_stop || m_batches.empty()
            || (m_batches.size() < kMaxWaitingBatches && m_waitingCharacters + characters <= kMaxWaitingCharacters);
    });
    if (m_stop)
        return false;
    m_batches.emplace_back(std::move(batch), characters);
    m_waitingCharacters += characters;
    m_permille = m_reader->permilleRead();
    lock.unlock();
    m_changed.notify_all();
    batch = Batch();
    return true;
}

void ReadAheadRows::produce()
{
    try {
        Batch batch;
        qint64 characters = 0;
        SheetRow row;
        while (m_reader->next(row)) {
            for (const SheetCell &cell : row.cells)
                characters += cell.text.size();
            batch.push_back(std::move(row));
            row = SheetRow();
            if (batch.size() == kBatchRows || characters >= kMaxWaitingCharacters / 4) {
                if (!handOver(batch, characters))
                    return;
                characters = 0;
            }
        }
        if (!batch.empty() && !handOver(batch, characters))
            return;
    } catch (...) {
        const std::lock_guard lock(m_mutex);
        m_failure = std::current_exception();
    }
    {
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_permille = 1000;
    }
    m_changed.notify_all();
}

bool ReadAheadRows::next(SheetRow &row)
{
    if (m_next == m_current.size()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_batches.empty() || m_done; });
        if (m_batches.empty()) {
            // The rows read before a failure have all been handed out: now the failure.
            if (m_failure)
                std::rethrow_exception(std::exchange(m_failure, nullptr));
            return false;
        }
        m_current = std::move(m_batches.front().first);
        m_waitingCharacters -= m_batches.front().second;
        m_batches.pop_front();
        m_next = 0;
        lock.unlock();
        m_changed.notify_all();
    }
    row = std::move(m_current[m_next++]);
    return true;
}

int ReadAheadRows::permilleRead() const
{
    const std::lock_guard lock(m_mutex);
    return m_permille;
}
