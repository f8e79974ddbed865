#include "teacher_password.h"

#include <sodium.h>

#include <QByteArray>

#include "core/keeping/history.h"
#include "core/keeping/program_tables.h"
#include "core/keeping/school_settings.h"
#include "platform/app_error.h"
#include "platform/clock.h"
#include "platform/sodium_ready.h"
#include "platform/table_name.h"
#include "platform/transaction.h"

namespace TeacherPassword {
namespace {

const QString settingName = QStringLiteral("teacher.password");

// The hash in libsodium's string form; computed before any transaction, as
// it takes a noticeable fraction of a second.
QString hashOf(const QString &password)
{
    if (password.size() < MinLength)
        throw AppError(QStringLiteral("教师密码至少要有 %1 个字符。").arg(MinLength));
    Sodium::ensureReady();
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                              crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                              crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        throw AppError(QStringLiteral("无法保存教师密码：计算密码的校验值时内存不足。"));
    return QString::fromLatin1(out);
}

HistoryEntry historyLine(const QString &kind)
{
    HistoryEntry line;
    line.kind = kind;
    line.detail = QStringLiteral("教师密码（只存校验值）");
    return line;
}

// Makes what the writes need, outside the transaction (a failed CREATE
// would spoil a server's transaction).
void prepare(Database &db)
{
    SchoolSettings::prepare(db);
    History::prepare(db);
}

} // namespace

bool isSet(Database &db)
{
    return !SchoolSettings::value(db, settingName).isEmpty();
}

bool setFirst(Database &db, const QString &password)
{
    const QString hash = hashOf(password);
    prepare(db);
    Transaction transaction(db);
    lockAgainstWriters(db, TableName(ProgramTables::settings));
    if (isSet(db))
        return false;
    SchoolSettings::store(db, settingName, hash);
    History::write(db, {historyLine(QStringLiteral("设置密码"))});
    transaction.commit();
    return true;
}

void change(Database &db, const QString &password)
{
    const QString hash = hashOf(password);
    prepare(db);
    Transaction transaction(db);
    lockAgainstWriters(db, TableName(ProgramTables::settings));
    SchoolSettings::store(db, settingName, hash);
    History::write(db, {historyLine(QStringLiteral("修改密码"))});
    transaction.commit();
}

bool verify(Database &db, const QString &password)
{
    const QByteArray stored = SchoolSettings::value(db, settingName).toLatin1();
    if (stored.isEmpty())
        return false;
    Sodium::ensureReady();
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size()))
        == 0;
}

} // namespace TeacherPassword

PasswordTries::PasswordTries(const Clock &clock, int allowed, int waitSeconds)
    : m_clock(clock), m_allowed(allowed), m_waitSeconds(waitSeconds)
{
}

int PasswordTries::secondsToWait() const
{
    if (!m_waitUntil.isValid())
        return 0;
    const qint64 left = m_clock.now().msecsTo(m_waitUntil);
    // Rounded up: "1 秒" until the very last moment.
    return left > 0 ? static_cast<int>((left + 999) / 1000) : 0;
}

void PasswordTries::wrong()
{
    if (++m_wrongInARow < m_allowed)
        return;
    m_wrongInARow = 0;
    m_waitUntil = m_clock.now().addSecs(m_waitSeconds);
}

void PasswordTries::right()
{
    m_wrongInARow = 0;
    m_waitUntil = QDateTime();
}
