#include "xlsx_package.h"

#include <zip.h>
#include <zlib.h>

#include <QFile>

#include "platform/app_error.h"

namespace {

// A template is a few hundred kilobytes; anything claiming more than this
// unpacked is refused before it is inflated into memory.
constexpr zip_uint64_t MaxUnpackedBytes = zip_uint64_t(1) << 30;

QString zipErrorText(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

SpreadsheetError unreadable(const QString &path, const QString &why)
{
    return SpreadsheetError(QStringLiteral("无法读取电子表格文件 %1：%2").arg(path, why));
}

} // namespace

XlsxPackage XlsxPackage::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(path, file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw unreadable(path, file.errorString());

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &error);
    if (!source) {
        const QString why = zipErrorText(&error);
        zip_error_fini(&error);
        throw unreadable(path, why);
    }
    zip_t *archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive) {
        zip_source_free(source);
        zip_error_fini(&error);
        throw unreadable(path, QStringLiteral("不是 xlsx 文件（无法作为 zip 包打开）"));
    }
    zip_error_fini(&error);

    XlsxPackage package;
    QString failure;
    zip_uint64_t unpacked = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count && failure.isEmpty(); ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME)
            || !(stat.valid & ZIP_STAT_SIZE)) {
            failure = QString::fromLocal8Bit(zip_strerror(archive));
            break;
        }
        std::string name = stat.name;
        if (name.empty() || name.back() == '/')
            continue;
        unpacked += stat.size;
        if (unpacked > MaxUnpackedBytes) {
            failure = QStringLiteral("内容过大");
            break;
        }
        zip_file_t *entry = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!entry) {
            failure = QString::fromLocal8Bit(zip_strerror(archive));
            break;
        }
        std::string bytes(stat.size, '\0');
        const zip_int64_t got = stat.size ? zip_fread(entry, bytes.data(), stat.size) : 0;
        if (got < 0 || zip_uint64_t(got) != stat.size) {
            failure = QStringLiteral("%1 已损坏（%2）")
                          .arg(QString::fromStdString(name), QString::fromLocal8Bit(zip_file_strerror(entry)));
        } else if ((stat.valid & ZIP_STAT_CRC)
                   && crc32_z(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(bytes.data()), bytes.size()) != stat.crc) {
            // Reading exactly the stated size never reaches the end where libzip would compare the CRC.
            failure = QStringLiteral("%1 已损坏（CRC 校验不符）").arg(QString::fromStdString(name));
        }
        zip_fclose(entry);
        if (name.front() == '/')
            name.erase(0, 1);
        if (failure.isEmpty() && !package.contains(name))
            package.setPart(name, std::move(bytes));
    }
    zip_discard(archive);
    if (!failure.isEmpty())
        throw unreadable(path, failure);
    return package;
}

std::string XlsxPackage::write(int compressionLevel) const
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!target) {
        const QString why = zipErrorText(&error);
        zip_error_fini(&error);
        throw SpreadsheetError(QStringLiteral("无法生成电子表格文件：") + why);
    }
    zip_t *archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (!archive) {
        const QString why = zipErrorText(&error);
        zip_source_free(target);
        zip_error_fini(&error);
        throw SpreadsheetError(QStringLiteral("无法生成电子表格文件：") + why);
    }
    zip_error_fini(&error);
    zip_source_keep(target);

    auto fail = [&](const QString &why) {
        zip_discard(archive);
        zip_source_free(target);
        return SpreadsheetError(QStringLiteral("无法生成电子表格文件：") + why);
    };

    std::vector<const std::pair<std::string, std::string> *> order;
    for (const auto &p : m_parts) {
        if (p.first == "[Content_Types].xml")
            order.insert(order.begin(), &p);
        else
            order.push_back(&p);
    }
    for (const auto *p : order) {
        zip_source_t *data = zip_source_buffer(archive, p->second.data(), p->second.size(), 0);
        if (!data)
            throw fail(QString::fromLocal8Bit(zip_strerror(archive)));
        const zip_int64_t index = zip_file_add(archive, p->first.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            throw fail(QString::fromLocal8Bit(zip_strerror(archive)));
        }
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(compressionLevel));
    }
    if (zip_close(archive) != 0) {
        const QString why = QString::fromLocal8Bit(zip_strerror(archive));
        throw fail(why);
    }

    std::string bytes;
    if (zip_source_open(target) == 0) {
        zip_source_seek(target, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(target);
        zip_source_seek(target, 0, SEEK_SET);
        if (size > 0) {
            bytes.resize(size_t(size));
            const zip_int64_t got = zip_source_read(target, bytes.data(), zip_uint64_t(size));
            if (got != size)
                bytes.clear();
        }
        zip_source_close(target);
    }
    zip_source_free(target);
    if (bytes.empty())
        throw SpreadsheetError(QStringLiteral("无法生成电子表格文件：zip 数据为空"));
    return bytes;
}

// Part names compare without regard to ASCII case, as the package format says.
static std::string lowerCase(const std::string &name)
{
    std::string out = name;
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return out;
}

int XlsxPackage::find(const std::string &name) const
{
    if (!m_indexed) {
        m_index.clear();
        for (size_t i = 0; i < m_parts.size(); ++i)
            m_index.emplace(lowerCase(m_parts[i].first), int(i));
        m_indexed = true;
    }
    const auto at = m_index.find(lowerCase(name));
    return at == m_index.end() ? -1 : at->second;
}

const std::string &XlsxPackage::part(const std::string &name) const
{
    static const std::string none;
    const int i = find(name);
    return i < 0 ? none : m_parts[size_t(i)].second;
}

void XlsxPackage::setPart(const std::string &name, std::string bytes)
{
    const int i = find(name);
    if (i < 0) {
        m_index.emplace(lowerCase(name), int(m_parts.size()));
        m_parts.emplace_back(name, std::move(bytes));
    }
    else
        m_parts[size_t(i)].second = std::move(bytes);
}

void XlsxPackage::removePart(const std::string &name)
{
    const int i = find(name);
    if (i >= 0) {
        m_parts.erase(m_parts.begin() + i);
        m_indexed = false;
    }
}
