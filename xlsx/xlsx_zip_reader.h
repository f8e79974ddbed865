#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include <QString>

#include "xlsx/xlsx_package_walk.h"

struct zip;
struct zip_file;

// Reads the parts of a zip package (an .xlsx) straight from the file, without
// holding the file or a large part in memory: small parts whole, large ones in
// chunks. Every part is checked against its stored size and CRC-32 as it is
// read, so a damaged part is refused instead of read as good. Part names
// compare without regard to ASCII case and a leading "/". Throws
// SpreadsheetError with a Chinese text naming the file. Used from one thread at a time.
class XlsxZipReader
{
public:
    explicit XlsxZipReader(const QString &path);
    ~XlsxZipReader();
    XlsxZipReader(const XlsxZipReader &) = delete;
    XlsxZipReader &operator=(const XlsxZipReader &) = delete;

    bool contains(const std::string &name) const;
    // The part's size unpacked, as the zip declares it.
    std::uint64_t size(const std::string &name) const;

    // The whole part; refused when it unpacks to more than maxBytes.
    std::string read(const std::string &name, std::uint64_t maxBytes) const;

    // One part read in chunks.
    class Stream
    {
    public:
        ~Stream();
        Stream(const Stream &) = delete;
        Stream &operator=(const Stream &) = delete;
        // Up to `max` bytes into `out`; 0 at the end of the part (after its
        // size and CRC-32 were found right).
        std::size_t read(char *out, std::size_t max);
        std::uint64_t done() const { return m_done; }
        std::uint64_t total() const { return m_total; }

    private:
        friend class XlsxZipReader;
        Stream(const XlsxZipReader &reader, std::string name, zip_file *file, std::uint64_t total,
               std::uint32_t crc);
        const XlsxZipReader &m_reader;
        std::string m_name;
        zip_file *m_file = nullptr;
        std::uint64_t m_total = 0;
        std::uint64_t m_done = 0;
        std::uint32_t m_expectedCrc = 0;
        unsigned long m_crc = 0;
        bool m_ended = false;
    };
    // Refused when the part unpacks to more than maxBytes.
    std::unique_ptr<Stream> open(const std::string &name, std::uint64_t maxBytes) const;

private:
    struct Entry
    {
        std::uint64_t index = 0;
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
    };
    const Entry *find(const std::string &name) const;
    [[noreturn]] void fail(const QString &why) const;

    QString m_path;
    zip *m_archive = nullptr;
    std::unordered_map<std::string, Entry> m_entries; // lower-case name without a leading "/"
};

// The small parts of a zip package as the package walk reads them, each
// refused when it unpacks to more than maxBytes.
class XlsxZipParts final : public XlsxPartSource
{
public:
    XlsxZipParts(const XlsxZipReader &zip, std::uint64_t maxBytes) : m_zip(zip), m_maxBytes(maxBytes) {}
    bool contains(const std::string &part) const override { return m_zip.contains(part); }
    void load(pugi::xml_document &doc, const std::string &part) const override;

private:
    const XlsxZipReader &m_zip;
    std::uint64_t m_maxBytes;
};
