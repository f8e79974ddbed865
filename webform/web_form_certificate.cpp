#include "web_form_certificate.h"

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QHostInfo>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "platform/app_error.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"

namespace {

const QString kCertificateFile = QStringLiteral("certificate.pem");
const QString kKeyFile = QStringLiteral("key.pem");

QString openSslText()
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return QString::fromUtf8(text);
}

[[noreturn]] void failMaking(const QString &why)
{
    throw FileError(QStringLiteral("没有做成网上填报的自签名证书；请检查程序文件夹是否可以写入，"
                                   "或在 config.ini 的 [WebForm] 中用 Certificate= 和 Key= 指定学校的证书。\n")
                    + why);
}

QByteArray bioBytes(BIO *bio)
{
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, size);
}

// A new EC P-256 key and a certificate for it, valid ten years, both as PEM.
std::pair<QByteArray, QByteArray> makeSelfSigned()
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
    if (!key || !cert)
        failMaking(openSslText());
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    std::unique_ptr<BIGNUM, decltype(&BN_free)> number(BN_new(), BN_free);
    BN_rand(number.get(), sizeof serial * 8 - 1, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY);
    BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(cert.get()));
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 10L * 365 * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME *name = X509_get_subject_name(cert.get());
    const QByteArray host = QStringLiteral("tavro 网上填报 %1").arg(QHostInfo::localHostName()).toUtf8();
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(host.constData()),
                               -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0)
        failMaking(openSslText());
    std::unique_ptr<BIO, decltype(&BIO_free)> keyBio(BIO_new(BIO_s_mem()), BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> certBio(BIO_new(BIO_s_mem()), BIO_free);
    if (!PEM_write_bio_PrivateKey(keyBio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr)
        || !PEM_write_bio_X509(certBio.get(), cert.get()))
        failMaking(openSslText());
    return {bioBytes(certBio.get()), bioBytes(keyBio.get())};
}

// Written whole, readable by the owner alone from its first byte on.
void writePrivate(const QString &path, const QByteArray &bytes)
{
    AtomicFile::StagedFile staged(path);
    if (::fchmod(staged.descriptor(), 0600) != 0 || ::write(staged.descriptor(), bytes.constData(), size_t(bytes.size())) != bytes.size())
        failMaking(QString::fromLocal8Bit(strerror(errno)));
    // Only a half-made pair of our own (a key without its certificate) is replaced.
    staged.commit(AtomicFile::Existing::Replace);
}

QByteArray readAll(const QString &path, const QString &what)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("读不出网上填报的%1 %2；请检查 config.ini 的 [WebForm] 所指的文件。\n%3")
                            .arg(what, QDir::toNativeSeparators(path), file.errorString()));
    return file.readAll();
}

WebFormCertificate parse(const QByteArray &certPem, const QByteArray &keyPem, const QString &where)
{
    WebFormCertificate pair;
    pair.certificate = QSslCertificate(certPem, QSsl::Pem);
    pair.key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (pair.key.isNull())
        pair.key = QSslKey(keyPem, QSsl::Rsa, QSsl::Pem);
    if (pair.certificate.isNull() || pair.key.isNull())
        throw FileError(QStringLiteral("网上填报的证书或私钥不能使用（%1）；请换用 PEM 格式的证书和私钥，"
                                       "或删去它们让程序重新生成。").arg(QDir::toNativeSeparators(where)));
    return pair;
}

} // namespace

QString WebFormCertificate::fingerprint() const
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

QString WebFormCertificate::selfSignedFolder(const QString &programDir)
{
    return QDir(programDir).filePath(QStringLiteral("webform"));
}

WebFormCertificate WebFormCertificate::load(const QString &programDir, const QString &configIni)
{
    const QHash<QString, QString> section = IniFile::readSection(configIni, QStringLiteral("WebForm"));
    const QString certificate = section.value(QStringLiteral("certificate"));
    const QString key = section.value(QStringLiteral("key"));
    if (!certificate.isEmpty() || !key.isEmpty()) {
        const QDir base(programDir);
        const QString certPath = base.absoluteFilePath(certificate);
        const QString keyPath = base.absoluteFilePath(key);
        return parse(readAll(certPath, QStringLiteral("证书")), readAll(keyPath, QStringLiteral("私钥")), certPath);
    }
    const QString folder = selfSignedFolder(programDir);
    const QString certPath = QDir(folder).filePath(kCertificateFile);
    const QString keyPath = QDir(folder).filePath(kKeyFile);
    if (QFile::exists(certPath) && QFile::exists(keyPath))
        return parse(readAll(certPath, QStringLiteral("证书")), readAll(keyPath, QStringLiteral("私钥")), folder);
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        failMaking(QString::fromLocal8Bit(strerror(errno)));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    const auto [certPem, keyPem] = makeSelfSigned();
    // The key first: a certificate never lies there without its key.
    writePrivate(keyPath, keyPem);
    writePrivate(certPath, certPem);
    return parse(certPem, keyPem, folder);
}
