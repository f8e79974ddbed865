#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <QString>

// A zip package written straight to an open file as its parts are produced.
// Each part's bytes are deflated and written by a second thread while the
// caller produces the next ones, a few chunks at a time, so that memory stays
// flat however large a part grows. Parts use data descriptors (sizes after
// the data), which spreadsheet programs and zip readers all accept.
// One thread produces; the stream owns its compressing thread.
class XlsxZipStream
{
public:
    // `fd` stays the caller's to close; `path` names the file in failure texts.
    XlsxZipStream(int fd, const QString &path);
    ~XlsxZipStream();
    XlsxZipStream(const XlsxZipStream &) = delete;
    XlsxZipStream &operator=(const XlsxZipStream &) = delete;

    // Starts a part compressed at `level` (1 fastest .. 9 smallest).
    void beginPart(const std::string &name, int level);
    // Appends to the part being written; large texts are handed on in chunks.
    void write(std::string_view bytes);
    std::string &buffer() { return m_pending; }
    // Hands the buffer on when it has grown to a chunk.
    void flushIfFull()
    {
        if (m_pending.size() >= ChunkBytes)
            handOn();
    }
    void endPart();
    // A whole part at once.
    void addPart(const std::string &name, const std::string &bytes, int level);
    // Writes the central directory. Throws FileError or SpreadsheetError when
    // any write failed; the file is then incomplete and must be dropped.
    void finish();

    static constexpr size_t ChunkBytes = size_t(1) << 18;

private:
    struct Job
    {
        enum class Kind { Begin, Data, End, Stop } kind;
        std::string bytes; // the part's name for Begin, its data for Data
        int level = 6;
    };
    struct Entry
    {
        std::string name;
        unsigned long crc = 0;
        unsigned long long compressed = 0;
        unsigned long long size = 0;
        unsigned long long offset = 0;
    };

    void handOn();
    void push(Job job);
    void run();
    void work(Job &job);
    void put(const void *data, size_t size);
    void rethrow();

    int m_fd;
    QString m_path;
    std::string m_pending;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    std::exception_ptr m_failure;
    std::thread m_thread;
    bool m_finished = false;

    // Owned by the compressing thread until finish().
    std::vector<Entry> m_entries;
    unsigned long long m_written = 0;
    void *m_deflate = nullptr;
    std::string m_out;
    unsigned short m_dosTime = 0, m_dosDate = 0;
};
