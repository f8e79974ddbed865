#include "encrypted_copy.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/atomic_file.h"
#include "platform/sodium_ready.h"

namespace EncryptedCopy {

namespace {

constexpr char kMagic[] = "TAVRO-ENC";
constexpr qsizetype kMagicSize = sizeof kMagic - 1;
constexpr unsigned char kVersion = 1;
constexpr qsizetype kChunk = 64 * 1024;
constexpr qsizetype kSealedChunk = kChunk + crypto_secretstream_xchacha20poly1305_ABYTES;
constexpr qsizetype kDigestSize = 32;

// Header layout: magic, version, opsLimit (8), memLimit (8), algorithm (4),
// salt, secretstream header, password check, digest of all before it.
constexpr qsizetype kCostAt = kMagicSize + 1;
constexpr qsizetype kSaltAt = kCostAt + 20;
constexpr qsizetype kStreamAt = kSaltAt + crypto_pwhash_SALTBYTES;
constexpr qsizetype kCheckAt = kStreamAt + crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr qsizetype kDigestAt = kCheckAt + kDigestSize;
constexpr qsizetype kHeaderSize = kDigestAt + kDigestSize;

// A hostile header must not make the program spend unbounded memory or time.
constexpr unsigned long long kMaxOps = 64;
constexpr unsigned long long kMaxMem = 2ULL * 1024 * 1024 * 1024;

const unsigned char *bytes(const QByteArray &a)
{
    return reinterpret_cast<const unsigned char *>(a.constData());
}

unsigned char *bytes(QByteArray &a)
{
    return reinterpret_cast<unsigned char *>(a.data());
}

void putNumber(QByteArray &header, qsizetype at, unsigned long long value, int size)
{
    for (int i = 0; i < size; ++i)
        header[at + i] = char((value >> (8 * i)) & 0xff);
}

unsigned long long number(const QByteArray &header, qsizetype at, int size)
{
    unsigned long long value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(header.at(at + i));
    return value;
}

QByteArray digestOf(const QByteArray &data, const unsigned char *key = nullptr, size_t keySize = 0)
{
    QByteArray out(kDigestSize, Qt::Uninitialized);
    crypto_generichash(bytes(out), size_t(out.size()), bytes(data), size_t(data.size()), key, keySize);
    return out;
}

// The stream key and the password check's key, wiped when they go.
struct Keys
{
    std::array<unsigned char, crypto_secretstream_xchacha20poly1305_KEYBYTES> stream{};
    std::array<unsigned char, 32> check{};
    ~Keys()
    {
        sodium_memzero(stream.data(), stream.size());
        sodium_memzero(check.data(), check.size());
    }
};

void derive(Keys &keys, const QString &password, const QByteArray &header)
{
    QByteArray secret = password.toUtf8();
    std::array<unsigned char, sizeof keys.stream + sizeof keys.check> both{};
    const int rc = crypto_pwhash(both.data(), both.size(), secret.constData(), size_t(secret.size()),
                                 bytes(header) + kSaltAt, number(header, kCostAt, 8), size_t(number(header, kCostAt + 8, 8)),
                                 int(number(header, kCostAt + 16, 4)));
    sodium_memzero(secret.data(), size_t(secret.size()));
    std::memcpy(keys.stream.data(), both.data(), keys.stream.size());
    std::memcpy(keys.check.data(), both.data() + keys.stream.size(), keys.check.size());
    sodium_memzero(both.data(), both.size());
    if (rc != 0)
        throw FileError(QStringLiteral("内存不足，无法由密码算出密钥。请关闭其它程序后再试。"));
}

QByteArray passwordCheck(const Keys &keys, const QByteArray &header)
{
    return digestOf(header.left(kCheckAt), keys.check.data(), keys.check.size());
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

FileError damaged(const QString &path, const QString &why)
{
    return FileError(QStringLiteral("加密的备份 %1 已损坏或被改动，没有使用它，什么都没有改动。请换一份备份。\n%2").arg(shown(path), why));
}

// `path`: the file as the message names it.
void writeAll(int fd, const unsigned char *data, qsizetype size, const QString &path)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            throw FileError(QStringLiteral("文件 %1 没有写成。请检查磁盘空间和文件夹的写入权限。\n%2")
                                .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        data += written;
        size -= written;
    }
}

void openForReading(QFile &file)
{
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("无法读取文件 %1。\n%2").arg(shown(file.fileName()), file.errorString()));
}

QByteArray readSome(QFile &file, qsizetype size)
{
    const QByteArray got = file.read(size);
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("无法读取文件 %1。\n%2").arg(shown(file.fileName()), file.errorString()));
    return got;
}

// A new, owner-only temporary file beside target, renamed onto it when whole.
template<typename Fill>
void writeNew(const QString &target, Fill fill)
{
    if (AtomicFile::occupied(target))
        throw FileError(QStringLiteral("文件 %1 已经存在，不会覆盖它。请换一个文件名。").arg(shown(target)));
    AtomicFile::StagedFile staged(target);
    ::fchmod(staged.descriptor(), S_IRUSR | S_IWUSR);
    fill(staged.descriptor());
    staged.commit(AtomicFile::Existing::Keep);
}

} // namespace

Cost strong()
{
    return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE};
}

bool isEncrypted(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(kMagicSize) == QByteArray(kMagic);
}

void encrypt(const QString &plainPath, const QString &target, const QString &password, const Cost &cost)
{
    Sodium::ensureReady();
    QFile in(plainPath);
    openForReading(in);

    QByteArray header(kHeaderSize, '\0');
    std::memcpy(header.data(), kMagic, kMagicSize);
    header[kMagicSize] = char(kVersion);
    putNumber(header, kCostAt, cost.opsLimit, 8);
    putNumber(header, kCostAt + 8, cost.memLimit, 8);
    putNumber(header, kCostAt + 16, crypto_pwhash_ALG_ARGON2ID13, 4);
    randombytes_buf(bytes(header) + kSaltAt, crypto_pwhash_SALTBYTES);
    Keys keys;
    derive(keys, password, header);
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, bytes(header) + kStreamAt, keys.stream.data());
    header.replace(kCheckAt, kDigestSize, passwordCheck(keys, header));
    header.replace(kDigestAt, kDigestSize, digestOf(header.left(kDigestAt)));

    writeNew(target, [&](int fd) {
        writeAll(fd, bytes(header), header.size(), shown(target));
        QByteArray sealed(kSealedChunk, Qt::Uninitialized);
        QByteArray current = readSome(in, kChunk);
        for (bool first = true;; first = false) {
            // One chunk read ahead, so the last one is known when it is sealed.
            const QByteArray next = current.size() < kChunk ? QByteArray() : readSome(in, kChunk);
            const unsigned char tag = next.isEmpty() ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0;
            unsigned long long sealedSize = 0;
            crypto_secretstream_xchacha20poly1305_push(&state, bytes(sealed), &sealedSize, bytes(current),
                                                       size_t(current.size()), first ? bytes(header) : nullptr,
                                                       first ? size_t(header.size()) : 0, tag);
            writeAll(fd, bytes(sealed), qsizetype(sealedSize), shown(target));
            if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL)
                break;
            current = next;
        }
    });
    sodium_memzero(&state, sizeof state);
}

void decryptInto(const QString &encryptedPath, int fd, const QString &password)
{
    Sodium::ensureReady();
    QFile in(encryptedPath);
    openForReading(in);
    const QByteArray header = readSome(in, kHeaderSize);
    if (!header.startsWith(QByteArray(kMagic)))
        throw FileError(QStringLiteral("%1 不是本程序加密的备份。").arg(shown(encryptedPath)));
    if (header.size() < kHeaderSize || digestOf(header.left(kDigestAt)) != header.mid(kDigestAt))
        throw damaged(encryptedPath, QStringLiteral("文件头的校验值不符"));
    if (static_cast<unsigned char>(header.at(kMagicSize)) != kVersion)
        throw FileError(QStringLiteral("%1 是更新版本的程序加密的，请用新版本的程序打开。").arg(shown(encryptedPath)));
    const unsigned long long ops = number(header, kCostAt, 8), mem = number(header, kCostAt + 8, 8);
    if (number(header, kCostAt + 16, 4) != crypto_pwhash_ALG_ARGON2ID13 || ops < crypto_pwhash_OPSLIMIT_MIN
        || ops > kMaxOps || mem < crypto_pwhash_MEMLIMIT_MIN || mem > kMaxMem)
        throw damaged(encryptedPath, QStringLiteral("文件头中的密钥参数不可用"));

    Keys keys;
    derive(keys, password, header);
    if (sodium_memcmp(passwordCheck(keys, header).constData(), header.constData() + kCheckAt, kDigestSize) != 0)
        throw WrongPassword(QStringLiteral("密码不对，加密的备份 %1 没有打开，什么都没有改动。请检查密码后再试。").arg(shown(encryptedPath)));
    crypto_secretstream_xchacha20poly1305_state state;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, bytes(header) + kStreamAt, keys.stream.data()) != 0)
        throw damaged(encryptedPath, QStringLiteral("文件头不完整"));

    QByteArray plain(kChunk, Qt::Uninitialized);
    bool final = false;
    for (qint64 index = 1;; ++index) {
        const QByteArray sealed = readSome(in, kSealedChunk);
        if (sealed.isEmpty())
            break;
        if (final)
            throw damaged(encryptedPath, QStringLiteral("结尾之后还有多余的数据"));
        unsigned long long plainSize = 0;
        unsigned char tag = 0;
        const bool first = index == 1;
        if (crypto_secretstream_xchacha20poly1305_pull(&state, bytes(plain), &plainSize, &tag, bytes(sealed),
                                                       size_t(sealed.size()), first ? bytes(header) : nullptr,
                                                       first ? size_t(header.size()) : 0)
            != 0)
            throw damaged(encryptedPath, QStringLiteral("第 %1 块数据的校验不符").arg(index));
        writeAll(fd, bytes(plain), qsizetype(plainSize), QStringLiteral("（解密的临时文件）"));
        final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
    }
    sodium_memzero(&state, sizeof state);
    sodium_memzero(plain.data(), size_t(plain.size()));
    if (!final)
        throw damaged(encryptedPath, QStringLiteral("文件在结尾之前就断了"));
    if (::fsync(fd) != 0)
        throw FileError(QStringLiteral("解密的数据没有写成。请检查磁盘空间。\n%1").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

void decrypt(const QString &encryptedPath, const QString &target, const QString &password)
{
    writeNew(target, [&](int fd) { decryptInto(encryptedPath, fd, password); });
}

} // namespace EncryptedCopy
