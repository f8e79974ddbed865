#include "xlsx_zip_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>
#include <zlib.h>

#include <QDateTime>

#include "platform/app_error.h"

namespace {

// Chunks handed on but not yet compressed: enough to keep both threads busy.
constexpr size_t MaxQueuedJobs = 4;
// Sizes and offsets of a zip without its 64-bit extension.
constexpr unsigned long long MaxZip32 = 0xFFFFFFFFull;

void put16(std::string &out, unsigned v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void put32(std::string &out, unsigned long long v)
{
    put16(out, unsigned(v & 0xFFFF));
    put16(out, unsigned((v >> 16) & 0xFFFF));
}

z_stream *stream(void *p)
{
    return static_cast<z_stream *>(p);
}

SpreadsheetError tooLarge()
{
    return SpreadsheetError(QStringLiteral("无法生成电子表格文件：内容超过 4 GB。请分几次导出。"));
}

} // namespace

XlsxZipStream::XlsxZipStream(int fd, const QString &path) : m_fd(fd), m_path(path)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    m_dosTime = (unsigned short)((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    m_dosDate = (unsigned short)(((std::max(d.year(), 1980) - 1980) << 9) | (d.month() << 5) | d.day());
    m_pending.reserve(ChunkBytes + ChunkBytes / 4);
    m_thread = std::thread([this] { run(); });
}

XlsxZipStream::~XlsxZipStream()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_jobs.clear();
            m_jobs.push_back({Job::Kind::Stop, {}, 0});
        }
        m_changed.notify_all();
        m_thread.join();
    }
    if (m_deflate) {
        deflateEnd(stream(m_deflate));
        delete stream(m_deflate);
    }
}

void XlsxZipStream::rethrow()
{
    std::lock_guard lock(m_mutex);
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void XlsxZipStream::push(Job job)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failure || m_jobs.size() < MaxQueuedJobs; });
    if (m_failure)
        std::rethrow_exception(m_failure);
    m_jobs.push_back(std::move(job));
    lock.unlock();
    m_changed.notify_all();
}

void XlsxZipStream::handOn()
{
    if (m_pending.empty())
        return;
    std::string chunk;
    chunk.reserve(ChunkBytes + ChunkBytes / 4);
    chunk.swap(m_pending);
    push({Job::Kind::Data, std::move(chunk), 0});
}

void XlsxZipStream::beginPart(const std::string &name, int level)
{
    push({Job::Kind::Begin, name, level});
}

void XlsxZipStream::write(std::string_view bytes)
{
    m_pending.append(bytes);
    flushIfFull();
}

void XlsxZipStream::endPart()
{
    handOn();
    push({Job::Kind::End, {}, 0});
}

void XlsxZipStream::addPart(const std::string &name, const std::string &bytes, int level)
{
    beginPart(name, level);
    write(bytes);
    endPart();
}

void XlsxZipStream::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_jobs.empty(); });
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        m_changed.notify_all();
        if (job.kind == Job::Kind::Stop)
            return;
        {
            std::lock_guard lock(m_mutex);
            if (m_failure)
                continue; // what follows a failure is dropped; the caller hears of it
        }
        try {
            work(job);
        } catch (...) {
            std::lock_guard lock(m_mutex);
            m_failure = std::current_exception();
            m_jobs.clear();
            m_changed.notify_all();
        }
    }
}

void XlsxZipStream::put(const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw FileError(QStringLiteral("无法写入文件 %1。请检查磁盘空间和文件夹的写入权限。\n").arg(m_path)
                            + QString::fromLocal8Bit(std::strerror(errno)));
        p += n;
        size -= size_t(n);
        m_written += (unsigned long long)n;
    }
}

void XlsxZipStream::work(Job &job)
{
    switch (job.kind) {
    case Job::Kind::Begin: {
        if (m_written > MaxZip32)
            throw tooLarge();
        m_entries.push_back({job.bytes, crc32(0, nullptr, 0), 0, 0, m_written});
        std::string header;
        put32(header, 0x04034b50);
        put16(header, 20);     // version needed: deflate
        put16(header, 0x0808); // sizes in a data descriptor; UTF-8 names
        put16(header, 8);      // deflate
        put16(header, m_dosTime);
        put16(header, m_dosDate);
        put32(header, 0);
        put32(header, 0);
        put32(header, 0);
        put16(header, unsigned(job.bytes.size()));
        put16(header, 0);
        header += job.bytes;
        put(header.data(), header.size());
        if (!m_deflate)
            m_deflate = new z_stream{};
        else
            deflateEnd(stream(m_deflate));
        *stream(m_deflate) = z_stream{};
        if (deflateInit2(stream(m_deflate), job.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw SpreadsheetError(QStringLiteral("无法生成电子表格文件：压缩初始化失败"));
        return;
    }
    case Job::Kind::Data:
    case Job::Kind::End: {
        Entry &entry = m_entries.back();
        z_stream *z = stream(m_deflate);
        const bool last = job.kind == Job::Kind::End;
        if (!last) {
            entry.crc = crc32_z(entry.crc, reinterpret_cast<const Bytef *>(job.bytes.data()), job.bytes.size());
            entry.size += job.bytes.size();
        }
        z->next_in = reinterpret_cast<Bytef *>(job.bytes.data());
        z->avail_in = uInt(job.bytes.size());
        // Room for the chunk, or for what deflate still holds when the part ends.
        m_out.resize(std::max<size_t>(deflateBound(z, uLong(job.bytes.size())) + 64, size_t(1) << 16));
        int status = Z_OK;
        do {
            z->next_out = reinterpret_cast<Bytef *>(m_out.data());
            z->avail_out = uInt(m_out.size());
            status = deflate(z, last ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR)
                throw SpreadsheetError(QStringLiteral("无法生成电子表格文件：压缩失败"));
            const size_t produced = m_out.size() - z->avail_out;
            entry.compressed += produced;
            put(m_out.data(), produced);
        } while (z->avail_in > 0 || (last && status != Z_STREAM_END));
        if (last) {
            if (entry.size > MaxZip32 || entry.compressed > MaxZip32)
                throw tooLarge();
            std::string descriptor;
            put32(descriptor, 0x08074b50);
            put32(descriptor, entry.crc);
            put32(descriptor, entry.compressed);
            put32(descriptor, entry.size);
            put(descriptor.data(), descriptor.size());
        }
        return;
    }
    case Job::Kind::Stop: return;
    }
}

void XlsxZipStream::finish()
{
    if (m_finished)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({Job::Kind::Stop, {}, 0});
    }
    m_changed.notify_all();
    m_thread.join();
    m_finished = true;
    rethrow();

    std::string directory;
    for (const Entry &e : m_entries) {
        put32(directory, 0x02014b50);
        put16(directory, 20); // made by: FAT-compatible
        put16(directory, 20);
        put16(directory, 0x0808);
        put16(directory, 8);
        put16(directory, m_dosTime);
        put16(directory, m_dosDate);
        put32(directory, e.crc);
        put32(directory, e.compressed);
        put32(directory, e.size);
        put16(directory, unsigned(e.name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, 0);
        put32(directory, e.offset);
        directory += e.name;
    }
    const unsigned long long start = m_written;
    if (start > MaxZip32 || m_entries.size() > 0xFFFF)
        throw tooLarge();
    const unsigned long long size = directory.size();
    put32(directory, 0x06054b50); // end of the central directory
    put16(directory, 0);
    put16(directory, 0);
    put16(directory, unsigned(m_entries.size()));
    put16(directory, unsigned(m_entries.size()));
    put32(directory, size);
    put32(directory, start);
    put16(directory, 0);
    put(directory.data(), directory.size());
}
