#include "submission_receipt.h"

#include <sodium.h>

#include <QByteArray>
#include <QCryptographicHash>

#include "platform/sodium_ready.h"

namespace SubmissionReceipt {

namespace {
constexpr int kRandomBytes = 16;
constexpr int kReceiptLength = 22; // 16 bytes in base64url without padding
} // namespace

QString make()
{
    Sodium::ensureReady();
    QByteArray bytes(kRandomBytes, Qt::Uninitialized);
    randombytes_buf(bytes.data(), size_t(bytes.size()));
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

bool looksLikeReceipt(const QString &text)
{
    if (text.size() != kReceiptLength)
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-'
                        || u == u'_';
        if (!ok)
            return false;
    }
    return true;
}

QString hashOf(const QString &receipt)
{
    return QString::fromLatin1(QCryptographicHash::hash(receipt.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace SubmissionReceipt
