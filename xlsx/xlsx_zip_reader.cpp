#include "xlsx_zip_reader.h"

#include <zip.h>
#include <zlib.h>

#include <QFile>

#include "platform/app_error.h"
#include "xlsx/xlsx_xml.h"

namespace {

std::string partKey(std::string name)
{
    if (!name.empty() && name.front() == '/')
        name.erase(0, 1);
    for (char &c : name) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return name;
}

QString megabytes(std::uint64_t bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 0);
}

} // namespace

XlsxZipReader::XlsxZipReader(const QString &path) : m_path(path)
{
    int error = 0;
    m_archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!m_archive) {
        if (error == ZIP_ER_OPEN || error == ZIP_ER_READ || error == ZIP_ER_NOENT) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            const QString why = QString::fromLocal8Bit(zip_error_strerror(&e));
            zip_error_fini(&e);
            fail(why);
        }
        fail(QStringLiteral("不是 xlsx 文件（无法作为 zip 包打开，文件可能已损坏）"));
    }
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_archive, zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME)
            || !(stat.valid & ZIP_STAT_SIZE) || !(stat.valid & ZIP_STAT_CRC))
            fail(QString::fromLocal8Bit(zip_strerror(m_archive)));
        const std::string key = partKey(stat.name);
        if (key.empty() || key.back() == '/')
            continue;
        m_entries.try_emplace(key, Entry{zip_uint64_t(i), stat.size, stat.crc});
    }
}

XlsxZipReader::~XlsxZipReader()
{
    if (m_archive)
        zip_discard(m_archive);
}

void XlsxZipReader::fail(const QString &why) const
{
    throw SpreadsheetError(QStringLiteral("无法读取电子表格文件 %1：%2").arg(m_path, why));
}

const XlsxZipReader::Entry *XlsxZipReader::find(const std::string &name) const
{
    const auto at = m_entries.find(partKey(name));
    return at == m_entries.end() ? nullptr : &at->second;
}

bool XlsxZipReader::contains(const std::string &name) const
{
    return find(name) != nullptr;
}

std::uint64_t XlsxZipReader::size(const std::string &name) const
{
    const Entry *entry = find(name);
    return entry ? entry->size : 0;
}

std::unique_ptr<XlsxZipReader::Stream> XlsxZipReader::open(const std::string &name, std::uint64_t maxBytes) const
{
    const Entry *entry = find(name);
    if (!entry)
        fail(QStringLiteral("缺少 %1").arg(QString::fromStdString(name)));
    if (entry->size > maxBytes)
        fail(QStringLiteral("%1 解压后有 %2 MB，超过了 %3 MB 的上限。请把文件分成几个较小的文件后再导入")
                 .arg(QString::fromStdString(name), megabytes(entry->size), megabytes(maxBytes)));
    zip_file_t *file = zip_fopen_index(m_archive, entry->index, 0);
    if (!file)
        fail(QStringLiteral("%1 无法打开（%2）").arg(QString::fromStdString(name), QString::fromLocal8Bit(zip_strerror(m_archive))));
    return std::unique_ptr<Stream>(new Stream(*this, name, file, entry->size, entry->crc));
}

std::string XlsxZipReader::read(const std::string &name, std::uint64_t maxBytes) const
{
    const std::unique_ptr<Stream> stream = open(name, maxBytes);
    std::string bytes(stream->total(), '\0');
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t got = stream->read(bytes.data() + at, bytes.size() - at);
        if (got == 0)
            break;
        at += got;
    }
    char probe = 0;
    stream->read(&probe, 1); // the end: checks the size and CRC-32
    return bytes;
}

XlsxZipReader::Stream::Stream(const XlsxZipReader &reader, std::string name, zip_file *file, std::uint64_t total,
                              std::uint32_t crc)
    : m_reader(reader), m_name(std::move(name)), m_file(file), m_total(total), m_expectedCrc(crc),
      m_crc(crc32(0L, Z_NULL, 0))
{
}

XlsxZipReader::Stream::~Stream()
{
    zip_fclose(m_file);
}

std::size_t XlsxZipReader::Stream::read(char *out, std::size_t max)
{
    if (m_ended || max == 0)
        return 0;
    const QString damaged = QStringLiteral("%1 已损坏（%2），请用 Excel 或 WPS 打开后另存一份再导入")
                                .arg(QString::fromStdString(m_name));
    const zip_int64_t got = zip_fread(m_file, out, zip_uint64_t(max));
    if (got < 0)
        m_reader.fail(damaged.arg(QString::fromLocal8Bit(zip_file_strerror(m_file))));
    if (m_done + zip_uint64_t(got) > m_total)
        m_reader.fail(damaged.arg(QStringLiteral("内容比记录的长度长")));
    m_done += zip_uint64_t(got);
    if (got > 0) {
        m_crc = crc32_z(m_crc, reinterpret_cast<const Bytef *>(out), z_size_t(got));
        return std::size_t(got);
    }
    m_ended = true;
    if (m_done != m_total)
        m_reader.fail(damaged.arg(QStringLiteral("内容比记录的长度短")));
    if (m_crc != m_expectedCrc)
        m_reader.fail(damaged.arg(QStringLiteral("CRC 校验不符")));
    return 0;
}

void XlsxZipParts::load(pugi::xml_document &doc, const std::string &part) const
{
    XlsxXml::load(doc, m_zip.read(part, m_maxBytes), part);
}
