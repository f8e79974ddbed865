#pragma once

#include <QString>

#include "platform/app_error.h"

// Whole database copies encrypted with a password, for carrying away from the
// school. The file: a header (magic and version, the Argon2id cost and salt,
// the secretstream header, a keyed check of the password, a digest of all
// this), then the copy's bytes in chunks of 64 KiB through libsodium's
// XChaCha20-Poly1305 secretstream, the last chunk tagged final; the header is
// the first chunk's additional data, so a changed byte anywhere is refused.
// The key comes from the password by Argon2id with the cost read from the
// header, so files made with a higher cost later still open. Any thread.
namespace EncryptedCopy {

// What a key derivation may spend. The program uses strong(); a test may make
// files with a cheap cost, since each file carries its own.
struct Cost
{
    unsigned long long opsLimit = 0;
    unsigned long long memLimit = 0; // bytes
};
Cost strong();

// The password opened the header's check but not this file: told apart from
// a damaged file so the user may try again.
class WrongPassword : public FileError
{
public:
    using FileError::FileError;
};

// Whether the file begins with this format's magic.
bool isEncrypted(const QString &path);

// Encrypts the file plainPath into target, a new file (never one that exists),
// owner-only, written whole or not at all. Throws FileError.
void encrypt(const QString &plainPath, const QString &target, const QString &password, const Cost &cost = strong());

// Decrypts the file into the open, empty file descriptor `fd` (a temporary of
// the caller's, removed by it when this throws). WrongPassword before anything
// is written; FileError (a damaged, cut or extended file) possibly after some
// bytes went out.
void decryptInto(const QString &encryptedPath, int fd, const QString &password);

// Decrypts into target, a new file, owner-only, written whole or not at all.
void decrypt(const QString &encryptedPath, const QString &target, const QString &password);

} // namespace EncryptedCopy
