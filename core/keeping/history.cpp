#include "history.h"

#include <QDateTime>
#include <QSysInfo>

#include "core/keeping/program_tables.h"
#include "platform/database.h"

namespace History {

static const QString table = QStringLiteral("tavro_history");

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

// The key the engine gave the row this connection inserted last.
static qint64 lastKey(Database &db)
{
    QString text;
    switch (db.engine()) {
    case Database::Engine::Sqlite:
        text = QStringLiteral("select last_insert_rowid()");
        break;
    case Database::Engine::PostgreSql:
        text = QStringLiteral("select lastval()");
        break;
    case Database::Engine::SqlServer:
        text = QStringLiteral("select @@IDENTITY");
        break;
    }
    return db.query(text).text(0, 0).toLongLong();
}

qint64 write(Database &db, const QList<HistoryEntry> &entries)
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
                            entry.oldValue, entry.newValue, entry.detail, entry.act};
        db.execute(statement);
        if (first == 0)
            first = lastKey(db);
    }
    return first;
}

QString who(Database &)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    return user + QLatin1Char('@') + QSysInfo::machineHostName();
}

} // namespace History
