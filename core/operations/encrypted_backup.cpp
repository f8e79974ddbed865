#include "encrypted_backup.h"

#include <memory>

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "platform/app_error.h"
#include "platform/database_backup.h"
#include "platform/output_target.h"
#include "platform/sql_database.h"

namespace EncryptedBackup {

namespace {

// A temporary file beside the database, owner-only before a byte goes in.
std::unique_ptr<AtomicFile::StagedFile> plainTemporary(const QString &dbPath)
{
    std::unique_ptr<AtomicFile::StagedFile> file;
    try {
        file = std::make_unique<AtomicFile::StagedFile>(dbPath);
    } catch (const FileError &) {
        file = std::make_unique<AtomicFile::StagedFile>(QDir::temp().filePath(QStringLiteral("tavro.db")));
    }
    ::fchmod(file->descriptor(), S_IRUSR | S_IWUSR);
    return file;
}

} // namespace

void ensureTarget(const QString &dbPath, const QString &into)
{
    OutputTarget(QFileInfo(dbPath).absoluteFilePath(), QString()).ensureAllowed(into, OutputTarget::Kind::Text);
    if (AtomicFile::occupied(into))
        throw FileError(QStringLiteral("文件 %1 已经存在，备份不会覆盖它。请换一个文件名。")
                            .arg(QDir::toNativeSeparators(QFileInfo(into).absoluteFilePath())));
}

BackupList::Entry write(SqlDatabase &source, const QString &into, const QString &password,
                        const EncryptedCopy::Cost &cost)
{
    ensureTarget(source.filePath(), into);
    const auto plain = plainTemporary(source.filePath());
    DatabaseBackup::copyInto(source, plain->path());
    BackupList::Entry made = BackupList::contentsOf(plain->path());
    EncryptedCopy::encrypt(plain->path(), into, password, cost);
    made.path = QFileInfo(into).absoluteFilePath();
    made.size = QFileInfo(into).size();
    return made;
}

BackupList::Entry backupFile(const QString &dbPath, const QString &into, const QString &password,
                             const EncryptedCopy::Cost &cost)
{
    const QString db = QFileInfo(dbPath).absoluteFilePath();
    ensureTarget(db, into);
    const auto source = SqlDatabase::openSqlite(db, SqliteMode::ReadOnly);
    return write(*source, into, password, cost);
}

Decrypted::Decrypted(const QString &from, const QString &dbPath, const QString &password)
    : m_file(QFileInfo(dbPath).absoluteFilePath())
{
    ::fchmod(m_file.descriptor(), S_IRUSR | S_IWUSR);
    EncryptedCopy::decryptInto(from, m_file.descriptor(), password);
}

} // namespace EncryptedBackup
