#pragma once

#include <QString>

#include "core/operations/backup_list.h"
#include "platform/atomic_file.h"
#include "platform/encrypted_copy.h"

class SqlDatabase;

// Encrypted backups of the local database file, for carrying away from the
// school, and the plain copy a restore reads from one. The plain copy lies
// only in an owner-only temporary file beside the database (the system's
// temporary folder when that folder takes no file, e.g. a read-only medium),
// never on the target's medium, and is removed whatever happens.
// Used from one thread at a time.
namespace EncryptedBackup {

// Refuses (FileError) a target a backup may not go to: the database or its
// logs, or a file that exists. Checked before the password is asked.
void ensureTarget(const QString &dbPath, const QString &into);

// Backs up the open local database encrypted into `into`, a new file. Returns
// the file written with what the copy holds (classes, pupils).
BackupList::Entry write(SqlDatabase &source, const QString &into, const QString &password,
                        const EncryptedCopy::Cost &cost = EncryptedCopy::strong());

// "tavro backup --encrypt": the same from the file dbPath, opened read-only.
BackupList::Entry backupFile(const QString &dbPath, const QString &into, const QString &password,
                             const EncryptedCopy::Cost &cost = EncryptedCopy::strong());

// An encrypted backup decrypted for a restore into an owner-only temporary
// file beside the database, removed when this goes. Throws
// EncryptedCopy::WrongPassword or FileError; nothing is left behind then.
class Decrypted
{
public:
    Decrypted(const QString &from, const QString &dbPath, const QString &password);
    QString path() const { return m_file.path(); }

private:
    AtomicFile::StagedFile m_file;
};

} // namespace EncryptedBackup
