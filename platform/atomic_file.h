#pragma once

#include <QByteArray>
#include <QString>

// Writes a file as a whole or not at all. The bytes go to a new temporary file
// in the target's own folder, are flushed to the disk, and the temporary file
// is then renamed over the target. A failure (a full disk, a folder that
// refuses the file, a kill) leaves the previous file exactly as it was and
// removes the temporary file (a kill may leave it behind, never the target
// cut off; removeStale takes it away later). A symbolic link at the target is replaced by the new file, never
// written through. Any thread may call it.
namespace AtomicFile {

// What happens when a file already lies at the target.
enum class Existing {
    Replace, // the new file takes its place (the caller has the user's word)
    Keep     // the write fails and the file that appeared there stays
};

// Throws FileError: a Chinese line saying what to do, the system's text on the second line.
void write(const QString &path, const QByteArray &bytes, Existing existing = Existing::Replace);

// The same for a writer that fills a file by its path (SQLite's backup): a new
// temporary file beside the target, removed again unless committed.
class StagedFile
{
public:
    // Throws FileError when the target's folder does not take a new file.
    explicit StagedFile(const QString &target);
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    QString path() const;
    int descriptor() const { return m_fd; }

    // Flushes the file to the disk and renames it onto the target. Throws FileError.
    void commit(Existing existing);

private:
    QString m_target;
    QByteArray m_path;
    int m_fd = -1;
    bool m_committed = false;
};

// The program's temporary files are named kStalePrefix + 16 hex digits +
// kStaleSuffix and locked (flock) by their writer while it lives.
inline constexpr char kStalePrefix[] = ".tavro-";
inline constexpr char kStaleSuffix[] = ".tmp";

// Removes the temporary files a killed writer left in the folder: only those
// that no live process holds locked, and what SQLite left beside them.
void removeStale(const QString &folder);

// Whether anything lies at the path: a file, a folder, or a symbolic link (even a dangling one).
bool occupied(const QString &path);

} // namespace AtomicFile
