#include "sqlite_file_check.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QTemporaryDir>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

#include "platform/app_error.h"

namespace {

// Byte ranges SQLite's unix locking uses: each connection in WAL mode keeps a
// read lock on the -shm's "DMS" byte and a shared lock on the file itself.
constexpr qint64 kShmDmsByte = 128;
constexpr qint64 kSharedFirst = 0x40000000 + 2;
constexpr qint64 kSharedSize = 510;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// One SQLite connection of our own, for looking only; closed on destruction.
class RawConnection
{
public:
    RawConnection(const QByteArray &name, int flags)
    {
        if (sqlite3_open_v2(name.constData(), &m_handle, flags, nullptr) != SQLITE_OK)
            m_error = lastError();
    }
    ~RawConnection() { sqlite3_close_v2(m_handle); }
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    // Every row of a statement as text; empty with error() set when it fails.
    QList<QStringList> rows(const QString &sql)
    {
        QList<QStringList> result;
        if (!m_error.isEmpty())
            return result;
        sqlite3_stmt *statement = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK) {
            m_error = lastError();
            return result;
        }
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, i)));
            result << row;
        }
        if (rc != SQLITE_DONE)
            m_error = lastError();
        sqlite3_finalize(statement);
        return m_error.isEmpty() ? result : QList<QStringList>();
    }

    const QString &error() const { return m_error; }

private:
    QString lastError() const
    {
        return m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : QStringLiteral("out of memory");
    }

    sqlite3 *m_handle = nullptr;
    QString m_error;
};

// Tables the program never drops on a local file and whose rows it never
// deletes: the templates and the class tables. A log that loses any of them,
// or any of their rows, was not written on top of this file.
bool keptTable(const QString &name)
{
    return name.compare(QLatin1String("Init1"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("Init2"), Qt::CaseInsensitive) == 0 || name.startsWith(QStringLiteral("高"))
        || name.startsWith(QStringLiteral("初")) || name.startsWith(QStringLiteral("小"));
}

QString quoted(QString name)
{
    name.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + name + QLatin1Char('"');
}

struct Contents
{
    bool hasInit2 = false;
    QHash<QString, qint64> keptRows; // kept table -> rows
    QString error;
};

// The rows of the kept tables are counted only where a log is to be judged:
// opening a file without one needs no more than its catalogue.
Contents readContents(RawConnection &db, bool countRows)
{
    Contents c;
    const QList<QStringList> tables = db.rows(QStringLiteral("select name from sqlite_master where type = 'table'"));
    for (const QStringList &row : tables) {
        const QString &name = row.front();
        if (name.compare(QLatin1String("Init2"), Qt::CaseInsensitive) == 0)
            c.hasInit2 = true;
        if (!countRows || !keptTable(name))
            continue;
        const QList<QStringList> count = db.rows(QStringLiteral("select count(*) from ") + quoted(name));
        if (count.isEmpty())
            break;
        c.keptRows.insert(name, count.front().front().toLongLong());
    }
    c.error = db.error();
    return c;
}

// Page size from a database header (offset 16, 1 meaning 65536) or a WAL
// header (offset 8); 0 when unreadable.
quint32 pageSizeAt(const QString &path, qint64 offset, int bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(offset))
        return 0;
    const QByteArray b = f.read(bytes);
    if (b.size() != bytes)
        return 0;
    quint32 value = 0;
    for (char c : b)
        value = (value << 8) | quint8(c);
    return bytes == 2 && value == 1 ? 65536 : value;
}

QString foreignLogText(const QString &path, const QString &wal, const QString &reason)
{
    return QStringLiteral("数据库文件 %1 旁边的日志文件 %2 不属于它：并入会改坏数据，所以程序没有打开这个数据库，"
                          "两个文件都原样未动。请把 %2 移到别的文件夹（先不要删除），再重新打开。\n%3")
        .arg(native(path), native(wal), reason);
}

// Copies the file and its log (-wal or -journal) into a temporary folder and
// opens the copy for writing, so that SQLite replays or rolls back the log
// there; the real files are never touched. Refuses (through `refuse`) a copy
// that is not whole or has no Init2 afterwards; returns the open connection.
template <typename Refuse>
std::unique_ptr<RawConnection> replayOnCopy(const QString &path, const QString &log, const QString &suffix,
                                            QTemporaryDir &dir, Refuse refuse)
{
    if (!dir.isValid())
        throw DatabaseError(QStringLiteral("无法建立临时文件夹来检查日志文件 %1。\n%2").arg(native(log), dir.errorString()));
    const QString copy = dir.filePath(QStringLiteral("replay.db"));
    for (const auto &[from, to] : {std::pair(path, copy), std::pair(log, copy + suffix)}) {
        QFile source(from);
        if (!source.copy(to))
            throw DatabaseError(QStringLiteral("无法复制 %1 来检查日志文件。\n%2").arg(native(from), source.errorString()));
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    auto replay = std::make_unique<RawConnection>(QFile::encodeName(copy), SQLITE_OPEN_READWRITE);
    const QList<QStringList> integrity = replay->rows(QStringLiteral("pragma integrity_check"));
    if (!replay->error().isEmpty())
        refuse(replay->error());
    if (integrity.size() != 1 || integrity.front().value(0) != QLatin1String("ok")) {
        QStringList problems;
        for (const QStringList &row : integrity.mid(0, 3))
            problems << row.value(0);
        refuse(problems.join(QLatin1String("; ")));
    }
    return replay;
}

// Replays the log on copies of both files and keeps the result only when the
// copy is whole and, where the file alone is whole too, still holds every kept
// table and row. A file that is not whole alone (a checkpoint cut off by a
// crash leaves it half old, half new) is judged by its replayed copy only.
void checkLogBelongs(const QString &path, const QString &wal, const Contents *alone, SqliteFileCheck::Checked &checked)
{
    auto refuse = [&](const QString &reason) {
        if (alone && !alone->hasInit2)
            throw DatabaseError(SqliteFileCheck::notOursText(path, QStringLiteral("其中没有模板表 Init2")));
        throw DatabaseError(foreignLogText(path, wal, reason));
    };
    const quint32 filePage = pageSizeAt(path, 16, 2);
    const quint32 logPage = pageSizeAt(wal, 8, 4);
    if (filePage && logPage && filePage != logPage)
        refuse(QStringLiteral("page size %1 in the log, %2 in the database").arg(logPage).arg(filePage));

    auto dir = std::make_shared<QTemporaryDir>();
    {
        const auto replay = replayOnCopy(path, wal, QStringLiteral("-wal"), *dir, refuse);
        const Contents replayed = readContents(*replay, true);
        if (!replayed.error.isEmpty())
            refuse(replayed.error);
        if (!replayed.hasInit2)
            refuse(QStringLiteral("no table Init2 after replaying the log"));
        const QHash<QString, qint64> kept = alone ? alone->keptRows : QHash<QString, qint64>();
        for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
            if (!replayed.keptRows.contains(it.key()))
                refuse(QStringLiteral("table %1 is gone after replaying the log").arg(it.key()));
            if (replayed.keptRows.value(it.key()) < it.value())
                refuse(QStringLiteral("table %1 lost rows after replaying the log").arg(it.key()));
        }
    } // the last connection's close writes the log into the copy
    checked.replayedPath = dir->filePath(QStringLiteral("replay.db"));
    checked.replayedDir = std::move(dir);
}

// A rollback journal left by a killed writer: SQLite rolls it back on the next
// connection that may write. The outcome is judged on copies first.
void checkJournalRollsBack(const QString &path, const QString &journal, SqliteFileCheck::Checked &checked)
{
    auto refuse = [&](const QString &reason) { throw DatabaseError(foreignLogText(path, journal, reason)); };
    auto dir = std::make_shared<QTemporaryDir>();
    {
        const auto rolledBack = replayOnCopy(path, journal, QStringLiteral("-journal"), *dir, refuse);
        const Contents contents = readContents(*rolledBack, false);
        if (!contents.error.isEmpty())
            refuse(contents.error);
        if (!contents.hasInit2)
            throw DatabaseError(SqliteFileCheck::notOursText(path, QStringLiteral("其中没有模板表 Init2")));
    }
    checked.replayedPath = dir->filePath(QStringLiteral("replay.db"));
    checked.replayedDir = std::move(dir);
}

// Whether the file alone, read as it lies, is a whole database.
bool wholeAlone(RawConnection &alone)
{
    const QList<QStringList> integrity = alone.rows(QStringLiteral("pragma integrity_check"));
    return alone.error().isEmpty() && integrity.size() == 1 && integrity.front().value(0) == QLatin1String("ok");
}

QString registryKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QMutex &registryMutex()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, int> &registry()
{
    static QHash<QString, int> open;
    return open;
}

bool openHere(const QString &path)
{
    QMutexLocker lock(&registryMutex());
    return registry().value(registryKey(path)) > 0;
}

// Whether another process holds a lock on part of a file. Only ever called
// for files this process does not hold: closing the probe's descriptor would
// drop this process's own locks on the file.
bool lockedByOther(const QString &file, qint64 start, qint64 length)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = off_t(start);
    probe.l_len = off_t(length);
    const bool held = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
#else
    Q_UNUSED(file);
    Q_UNUSED(start);
    Q_UNUSED(length);
    return false;
#endif
}

} // namespace

namespace SqliteFileCheck {

QString notOursText(const QString &path, const QString &reason, const QString &engineText)
{
    QString text = QStringLiteral("文件 %1 不是本程序的数据库（%2）。请选择 tavro.db 或它在“备份”文件夹中的备份。")
                       .arg(native(path), reason);
    if (!engineText.isEmpty())
        text += QLatin1Char('\n') + engineText;
    return text;
}

QByteArray immutableUri(const QString &absolutePath)
{
    QString path = QDir::fromNativeSeparators(absolutePath);
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/')); // a drive letter: file:/C:/...
    return QByteArrayLiteral("file:") + QUrl::toPercentEncoding(path, "/:") + QByteArrayLiteral("?immutable=1");
}

bool hasSqliteHeader(const QString &absolutePath)
{
    QFile f(absolutePath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}

bool hasTemplateTable(sqlite3 *handle)
{
    sqlite3_stmt *statement = nullptr;
    const char *sql = "select 1 from main.sqlite_master where type = 'table' and name = 'Init2' collate nocase";
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) != SQLITE_OK)
        return false;
    const bool found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}

bool inUse(const QString &absolutePath)
{
    return openHere(absolutePath) || lockedByOther(absolutePath + QStringLiteral("-shm"), kShmDmsByte, 1)
        || lockedByOther(absolutePath, kSharedFirst, kSharedSize);
}

Checked validate(const QString &path, bool lockedHere)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw DatabaseError(QStringLiteral("找不到数据库文件 %1。请检查文件名和所在的文件夹。").arg(native(path)));
    if (!info.isFile())
        throw DatabaseError(notOursText(path, QStringLiteral("它不是一个文件")));
    Checked checked;
    // The file was checked when its first connection opened it; probing it now
    // could only disturb that connection.
    if (!lockedHere && inUse(path)) {
        checked.live = true;
        return checked;
    }
    if (info.size() == 0)
        throw DatabaseError(notOursText(path, QStringLiteral("文件是空的")));
    if (!hasSqliteHeader(path))
        throw DatabaseError(notOursText(path, QStringLiteral("不是 SQLite 数据库文件")));

    // Nobody has the file open: what it holds alone is looked at without locks
    // only to judge a log beside it, never to read data from.
    RawConnection alone(immutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    const QString wal = path + QStringLiteral("-wal");
    const bool logBeside = QFileInfo(wal).size() > 0;
    const Contents contents = readContents(alone, logBeside);
    if (logBeside) {
        const bool whole = contents.error.isEmpty() && wholeAlone(alone);
        checkLogBelongs(path, wal, whole ? &contents : nullptr, checked);
        return checked;
    }
    const QString journal = path + QStringLiteral("-journal");
    if (QFileInfo(journal).size() > 0) {
        checkJournalRollsBack(path, journal, checked);
        return checked;
    }
    if (!contents.error.isEmpty())
        throw DatabaseError(notOursText(path, QStringLiteral("文件已损坏或无法读取"), contents.error));
    if (!contents.hasInit2)
        throw DatabaseError(notOursText(path, QStringLiteral("其中没有模板表 Init2")));
    return checked;
}

void requireNew(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        throw DatabaseError(QStringLiteral("文件 %1 已经存在，不会用新数据库覆盖它。").arg(native(path)));
    const QString wal = path + QStringLiteral("-wal");
    if (QFileInfo(wal).size() > 0)
        throw DatabaseError(QStringLiteral("文件夹中还有日志文件 %1，它可能存有原数据库的数据。"
                                           "请把它移到别的文件夹后再新建数据库。")
                                .arg(native(wal)));
}

QString noteOpened(const QString &absolutePath)
{
    const QString key = registryKey(absolutePath);
    QMutexLocker lock(&registryMutex());
    ++registry()[key];
    return key;
}

void noteClosed(const QString &key)
{
    QMutexLocker lock(&registryMutex());
    if (--registry()[key] <= 0)
        registry().remove(key);
}

} // namespace SqliteFileCheck
