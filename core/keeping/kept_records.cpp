#include "kept_records.h"

#include <QSet>

#include "core/keeping/class_rows.h"
#include "core/keeping/history.h"
#include "core/keeping/program_tables.h"
#include "core/operations/class_table_names.h"
#include "core/operations/template_tables.h"
#include "core/record/record_columns.h"
#include "platform/app_error.h"
#include "platform/database.h"
#include "platform/table_name.h"
#include "platform/transaction.h"

namespace KeptRecords {

namespace {

const QString kOther = QStringLiteral("其他");

// Each id once, in the order given.
QList<qint64> distinct(const QList<qint64> &ids)
{
    QList<qint64> out;
    QSet<qint64> seen;
    for (qint64 id : ids) {
        if (!seen.contains(id)) {
            seen.insert(id);
            out << id;
        }
    }
    return out;
}

// The values of one row from the first data column on.
QVariantList dataValues(const QueryResult &result, int row, int first)
{
    return result.rows.at(row).mid(first, RecordColumns::Count);
}

} // namespace

QStringList reasons()
{
    return {QStringLiteral("转学"), QStringLiteral("重复录入"), QStringLiteral("休学"), kOther};
}

QString storedReason(const QString &reason, const QString &note)
{
    const QString r = reason.trimmed();
    if (r == kOther) {
        const QString text = note.simplified();
        return text.isEmpty() ? QString() : kOther + QStringLiteral("：") + text;
    }
    return reasons().contains(r) ? r : QString();
}

void prepare(Database &db)
{
    using Kind = ProgramTables::Column::Kind;
    QList<ProgramTables::Column> columns = {{QStringLiteral("kept_id"), Kind::Key},
                                            {QStringLiteral("class_table"), Kind::Text},
                                            {QStringLiteral("pupil_id"), Kind::Integer},
                                            {QStringLiteral("reason"), Kind::LongText},
                                            {QStringLiteral("removed_at"), Kind::Text},
                                            {QStringLiteral("removed_by"), Kind::Text},
                                            {QStringLiteral("act"), Kind::Integer}};
    // Every column of a class record, as long as any class table may hold it.
    for (const QString &name : RecordColumns::dataColumns())
        columns << ProgramTables::Column{name, Kind::LongText};
    ProgramTables::ensure(db, table, columns);
    History::prepare(db);
}

int takeOut(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &reason, qint64 act)
{
    const TableName source(classTable);
    const QString from = source.sql(db);
    // A save racing the take-out waits, so the copy kept is the row deleted.
    lockAgainstWriters(db, source);
    QList<HistoryEntry> lines;
    for (qint64 id : distinct(ids)) {
        const QueryResult found =
            db.query(SqlStatement(QStringLiteral("select 姓名 from %1 where id = ?").arg(from), {id}));
        if (found.isEmpty())
            continue;
        HistoryEntry line;
        line.kind = QStringLiteral("移出");
        line.classTable = classTable;
        line.pupilId = id;
        line.pupilName = found.text(0, 0);
        line.detail = reason;
        line.act = act;
        lines << line;
    }
    if (lines.isEmpty())
        return 0;
    if (act == 0)
        act = History::writeAct(db, lines);
    else
        History::write(db, lines);

    const QString at = db.currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString by = History::who(db);
    const QString columns = ClassRows::columnList();
    const QString copy = QStringLiteral("insert into %1 (class_table, pupil_id, reason, removed_at, removed_by, act, %2) "
                                        "select ?, id, ?, ?, ?, ?, %2 from %3 where id = ?")
                             .arg(table, columns, from);
    const QString remove = QStringLiteral("delete from %1 where id = ?").arg(from);
    for (const HistoryEntry &line : std::as_const(lines)) {
        db.execute(SqlStatement(copy, {classTable, reason, at, by, act, line.pupilId}));
        db.execute(SqlStatement(remove, {line.pupilId}));
    }
    return int(lines.size());
}

int takeOutNow(Database &db, const QString &classTable, const QList<qint64> &ids, const QString &reason)
{
    if (ProgramTables::isProgramTable(classTable) || !tableExists(db, classTable))
        throw AppError(QStringLiteral("没有班级表“%1”，没有移出任何学生。").arg(classTable));
    const QStringList parts = reason.split(QStringLiteral("："));
    if (reason.isEmpty() || storedReason(parts.first(), parts.mid(1).join(QStringLiteral("："))) != reason)
        throw AppError(QStringLiteral("移出原因只能是 %1（其他须写明原因），没有移出任何学生。")
                           .arg(reasons().join(QStringLiteral("、"))));
    prepare(db);
    Transaction transaction(db);
    const int count = takeOut(db, classTable, ids, reason);
    transaction.commit();
    return count;
}

QList<Kept> list(Database &db, const QString &classTable)
{
    QList<Kept> out;
    if (!tableExists(db, table))
        return out;
    SqlStatement statement(QStringLiteral("select kept_id, class_table, pupil_id, 姓名, 身份证件号, reason, removed_at, "
                                          "removed_by from %1")
                               .arg(table));
    if (!classTable.isEmpty()) {
        statement.text += QStringLiteral(" where class_table = ?");
        statement.values << classTable;
    }
    statement.text += QStringLiteral(" order by kept_id desc");
    const QueryResult rows = db.query(statement);
    for (int r = 0; r < rows.rowCount(); ++r) {
        out << Kept{rows.text(r, 0).toLongLong(), rows.text(r, 1), rows.text(r, 2).toLongLong(), rows.text(r, 3),
                    rows.text(r, 4), rows.text(r, 5), rows.text(r, 6), rows.text(r, 7)};
    }
    return out;
}

BringBackResult bringBack(Database &db, const QList<qint64> &keptIds)
{
    BringBackResult result;
    prepare(db);
    Transaction transaction(db);
    const QString read = QStringLiteral("select class_table, pupil_id, reason, %1 from %2 where kept_id = ?")
                             .arg(ClassRows::columnList(), table);
    QList<HistoryEntry> lines;
    for (qint64 keptId : distinct(keptIds)) {
        const QueryResult row = db.query(SqlStatement(read, {keptId}));
        if (row.isEmpty()) {
            result.notKept << keptId;
            continue;
        }
        Returned back;
        back.keptId = keptId;
        back.classTable = row.text(0, 0);
        back.oldId = row.text(0, 1).toLongLong();
        back.name = row.text(0, 3 + RecordColumns::Name);
        const TableName target(back.classTable);
        if (!tableExists(db, back.classTable)) {
            TemplateTables::createClassTable(db, target);
            back.tableMade = true;
        }
        lockAgainstWriters(db, target);
        const QVariantList values = dataValues(row, 0, 3);
        if (back.oldId > 0 && ClassRows::idFree(db, target, back.oldId)) {
            ClassRows::insertWithId(db, target, back.oldId, values);
            back.newId = back.oldId;
        } else {
            back.newId = ClassRows::insertNew(db, target, values);
        }
        db.execute(SqlStatement(QStringLiteral("delete from %1 where kept_id = ?").arg(table), {keptId}));
        HistoryEntry line;
        line.kind = QStringLiteral("恢复");
        line.classTable = back.classTable;
        line.pupilId = back.newId;
        line.pupilName = back.name;
        line.detail = back.newId == back.oldId
                          ? QStringLiteral("移出原因：%1").arg(row.text(0, 2))
                          : QStringLiteral("原编号 %1 已被占用，新编号 %2；移出原因：%3")
                                .arg(back.oldId)
                                .arg(back.newId)
                                .arg(row.text(0, 2));
        lines << line;
        result.returned << back;
    }
    History::writeAct(db, lines);
    transaction.commit();
    return result;
}

int deleteForGood(Database &db, const QList<qint64> &keptIds)
{
    prepare(db);
    Transaction transaction(db);
    QList<HistoryEntry> lines;
    for (qint64 keptId : distinct(keptIds)) {
        const QueryResult row = db.query(SqlStatement(
            QStringLiteral("select class_table, pupil_id, 姓名, reason from %1 where kept_id = ?").arg(table), {keptId}));
        if (row.isEmpty())
            continue;
        db.execute(SqlStatement(QStringLiteral("delete from %1 where kept_id = ?").arg(table), {keptId}));
        HistoryEntry line;
        line.kind = QStringLiteral("删除");
        line.classTable = row.text(0, 0);
        line.pupilId = row.text(0, 1).toLongLong();
        line.pupilName = row.text(0, 2);
        line.detail = QStringLiteral("从已移出的记录中彻底删除；移出原因：%1").arg(row.text(0, 3));
        lines << line;
    }
    History::writeAct(db, lines);
    transaction.commit();
    return int(lines.size());
}

QString describe(const Returned &r)
{
    QString text = QStringLiteral("%1 %2 回到 %3").arg(r.oldId).arg(r.name, r.classTable);
    if (r.newId != r.oldId)
        text += QStringLiteral("，原编号已被占用，新编号 %1").arg(r.newId);
    if (r.tableMade)
        text += QStringLiteral("（班级表已按 Init2 重新建立）");
    return text;
}

} // namespace KeptRecords
