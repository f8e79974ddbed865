#include "history.h"

#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

#include "core/keeping/program_tables.h"
#include "core/record/id_number_mask.h"
#include "core/record/record_columns.h"
#include "core/record/record_schema.h"
#include "platform/database.h"
#include "platform/table_name.h"
#include "platform/inserted_key.h"
#include "platform/transaction.h"

namespace History {

static const QString table = QStringLiteral("tavro_history");
static const QString columns = QStringLiteral("id, at_time, who, kind, class_table, pupil_id, pupil_name, field, "
                                              "old_value, new_value, detail, act");

void prepare(Database &db)
{
    using Kind = ProgramTables::Column::Kind;
    ProgramTables::ensure(db, table,
                          {{QStringLiteral("id"), Kind::Key},
                           {QStringLiteral("at_time"), Kind::Text},
                           {QStringLiteral("who"), Kind::Text},
                           {QStringLiteral("kind"), Kind::Text},
                           {QStringLiteral("class_table"), Kind::Text},
                           {QStringLiteral("pupil_id"), Kind::Integer},
                           {QStringLiteral("pupil_name"), Kind::Text},
                           {QStringLiteral("field"), Kind::Text},
                           {QStringLiteral("old_value"), Kind::LongText},
                           {QStringLiteral("new_value"), Kind::LongText},
                           {QStringLiteral("detail"), Kind::LongText},
                           {QStringLiteral("act"), Kind::Integer}});
}

bool exists(Database &db)
{
    return tableExists(db, table);
}

static qint64 insertLines(Database &db, const QList<HistoryEntry> &entries, qint64 act)
{
    if (entries.isEmpty())
        return 0;
    const QString at = db.currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString by = who(db);
    const SqlStatement insert(QStringLiteral("insert into %1 (at_time, who, kind, class_table, pupil_id, pupil_name, "
                                             "field, old_value, new_value, detail, act) "
                                             "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                  .arg(table));
    qint64 first = 0;
    for (const HistoryEntry &entry : entries) {
        SqlStatement statement = insert;
        statement.values = {at, by, entry.kind, entry.classTable, entry.pupilId, entry.pupilName, entry.field,
                            entry.oldValue, entry.newValue, entry.detail, act != 0 ? act : entry.act};
        db.execute(statement);
        if (first == 0)
            first = lastInsertedKey(db);
    }
    return first;
}

qint64 write(Database &db, const QList<HistoryEntry> &entries)
{
    return insertLines(db, entries, 0);
}

qint64 writeAct(Database &db, const HistoryEntry &head, const QList<HistoryEntry> &lines)
{
    const qint64 act = insertLines(db, {head}, 0);
    db.execute(SqlStatement(QStringLiteral("update %1 set act = ? where id = ?").arg(table), {act, act}));
    insertLines(db, lines, act);
    return act;
}

qint64 writeAct(Database &db, const QList<HistoryEntry> &lines)
{
    return lines.isEmpty() ? 0 : writeAct(db, lines.first(), lines.mid(1));
}

bool recordReadOut(Database &db, const HistoryEntry &line) noexcept
{
    try {
        prepare(db);
        Transaction transaction(db);
        write(db, {line});
        transaction.commit();
        return true;
    } catch (...) {
        return false;
    }
}

// The system user and machine: the same for the whole run, read once.
static QString systemUser()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME"); // Windows
#ifdef Q_OS_UNIX
    // A service or a cron job may run without USER: the account itself answers.
    if (user.isEmpty()) {
        if (const passwd *account = getpwuid(geteuid()))
            user = QString::fromLocal8Bit(account->pw_name);
    }
#endif
    return user + QLatin1Char('@') + QSysInfo::machineHostName();
}

QString who(Database &db)
{
    static const QString system = systemUser();
    QString text = system;
    // On a server the login says who acted when several teachers share one
    // machine account or the server is reached from many machines.
    QString login;
    if (db.engine() == Database::Engine::PostgreSql)
        login = db.query(QStringLiteral("select current_user")).text(0, 0);
    else if (db.engine() == Database::Engine::SqlServer)
        login = db.query(QStringLiteral("select SUSER_SNAME()")).text(0, 0);
    if (!login.isEmpty())
        text += QStringLiteral(" (数据库用户 %1)").arg(login);
    return text;
}

static QList<HistoryLine> linesOf(const QueryResult &rows)
{
    QList<HistoryLine> lines;
    lines.reserve(rows.rowCount());
    for (int r = 0; r < rows.rowCount(); ++r) {
        HistoryLine line;
        line.number = rows.text(r, 0).toLongLong();
        line.time = rows.text(r, 1);
        line.who = rows.text(r, 2);
        HistoryEntry &e = line.entry;
        e.kind = rows.text(r, 3);
        e.classTable = rows.text(r, 4);
        e.pupilId = rows.text(r, 5).toLongLong();
        e.pupilName = rows.text(r, 6);
        e.field = rows.text(r, 7);
        e.oldValue = rows.text(r, 8);
        e.newValue = rows.text(r, 9);
        e.detail = rows.text(r, 10);
        e.act = rows.text(r, 11).toLongLong();
        lines << line;
    }
    return lines;
}

QList<HistoryLine> read(Database &db, const HistoryFilter &filter)
{
    if (!exists(db))
        return {};
    QStringList where;
    QVariantList values;
    if (!filter.classTable.isEmpty()) {
        where << QStringLiteral("class_table = ?");
        values << filter.classTable;
    }
    if (filter.pupilId != 0) {
        where << QStringLiteral("pupil_id = ?");
        values << filter.pupilId;
    }
    // The times are stored as "yyyy-MM-dd HH:mm:ss", so text order is time order.
    if (filter.since.isValid()) {
        where << QStringLiteral("at_time >= ?");
        values << filter.since.toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (filter.until.isValid()) {
        where << QStringLiteral("at_time < ?");
        values << filter.until.addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (!filter.kind.isEmpty()) {
        where << QStringLiteral("kind = ?");
        values << filter.kind;
    }
    QString text = QStringLiteral("select %1 from %2").arg(columns, table);
    if (!where.isEmpty())
        text += QStringLiteral(" where ") + where.join(QStringLiteral(" and "));
    text += QStringLiteral(" order by id");
    return linesOf(db.query(SqlStatement(text, values)));
}

QList<HistoryLine> readAct(Database &db, qint64 act)
{
    if (act <= 0 || !exists(db))
        return {};
    return linesOf(db.query(SqlStatement(
        QStringLiteral("select %1 from %2 where act = ? order by id").arg(columns, table), {act})));
}

HistoryLine onScreen(HistoryLine line)
{
    if (line.entry.field == RecordSchema::name(RecordColumns::CardNo)) {
        line.entry.oldValue = IdNumberMask::masked(line.entry.oldValue);
        line.entry.newValue = IdNumberMask::masked(line.entry.newValue);
    }
    return line;
}

QString lineText(const HistoryLine &line)
{
    const HistoryLine shown = onScreen(line);
    const HistoryEntry &e = shown.entry;
    QStringList parts = {QString::number(line.number), line.time, line.who, e.kind};
    if (!e.classTable.isEmpty())
        parts << e.classTable;
    if (e.pupilId != 0 || !e.pupilName.isEmpty())
        parts << QStringLiteral("%1 %2").arg(e.pupilId).arg(e.pupilName).trimmed();
    if (!e.field.isEmpty())
        parts << QStringLiteral("%1：%2 → %3").arg(e.field, e.oldValue, e.newValue);
    if (!e.detail.isEmpty())
        parts << e.detail;
    if (e.act != 0)
        parts << QStringLiteral("[操作 %1]").arg(e.act);
    return parts.join(QStringLiteral("  "));
}

} // namespace History
