#include "class_move.h"

#include <QHash>
#include <QSet>

#include "core/keeping/class_rows.h"
#include "core/keeping/history.h"
#include "core/keeping/program_tables.h"
#include "core/operations/class_table_names.h"
#include "core/operations/template_tables.h"
#include "core/record/entry_rules.h"
#include "core/record/record_columns.h"
#include "core/record/stored_value.h"
#include "platform/app_error.h"
#include "platform/database.h"
#include "platform/table_name.h"
#include "platform/inserted_key.h"
#include "platform/transaction.h"

namespace ClassMove {

namespace {

struct Source
{
    QString name;
    QString entryYearMonth;
    QString classCode;
};

// The year the pupil entered: from 入学年月, else the year the old 班号 begins with.
QString entryYear(const Source &pupil)
{
    const QString year = StoredValue::entryYearMonth(pupil.entryYearMonth).year;
    if (year.size() == 4 && EntryRules::IsAllDigits(year))
        return year;
    const QString old = pupil.classCode.left(4);
    return old.size() == 4 && EntryRules::IsAllDigits(old) ? old : QString();
}

} // namespace

QString classCodeRule()
{
    return QStringLiteral("班号按新班级重建：入学年份取自入学年月，没有时取原班号的年份，都没有时取新班级年级当年的入学年份。");
}

Result move(Database &db, const QString &from, const QList<qint64> &ids, const QString &to, const QDate &today)
{
    Result result;
    result.from = from;
    result.to = to;
    if (ProgramTables::isProgramTable(from) || !tableExists(db, from))
        throw AppError(QStringLiteral("没有班级表“%1”，没有转班。").arg(from));
    if (to.trimmed().isEmpty() || ProgramTables::isProgramTable(to) || from.compare(to, Qt::CaseInsensitive) == 0)
        throw AppError(QStringLiteral("请选择另一个班级作为转入的班级，没有转班。"));
    const bool made = !tableExists(db, to);
    if (made && !ClassTableNames::isClassName(to))
        throw AppError(QStringLiteral("没有班级表“%1”。请选择已有的班级表，或写出要新建的班级（年级和两位班号，如 初一03），没有转班。")
                           .arg(to));
    History::prepare(db);

    const TableName source(from);
    const TableName target(to);
    Transaction transaction(db);
    if (made)
        TemplateTables::createClassTable(db, target);
    result.tableMade = made;
    // Saves racing the move wait, so no change is left behind in the old class.
    lockAgainstWriters(db, source);
    lockAgainstWriters(db, target);

    QHash<qint64, Source> pupils;
    const QueryResult rows = db.query(QStringLiteral("select id, 姓名, 入学年月, 班号 from %1").arg(source.sql(db)));
    for (int r = 0; r < rows.rowCount(); ++r)
        pupils.insert(rows.text(r, 0).toLongLong(), {rows.text(r, 1), rows.text(r, 2), rows.text(r, 3)});

    // Every column copied as stored, 班号 given anew.
    QStringList selected = RecordColumns::dataColumns();
    selected[RecordColumns::ClassCode] = QStringLiteral("?");
    const QString copy = QStringLiteral("insert into %1 (%2) select %3 from %4 where id = ?")
                             .arg(target.sql(db), ClassRows::columnList(), selected.join(QStringLiteral(", ")),
                                  source.sql(db));
    const QString remove = QStringLiteral("delete from %1 where id = ?").arg(source.sql(db));
    QList<HistoryEntry> lines;
    QSet<qint64> seen;
    for (qint64 id : ids) {
        if (seen.contains(id))
            continue;
        seen.insert(id);
        const auto it = pupils.constFind(id);
        if (it == pupils.constEnd()) {
            result.notFound << id;
            continue;
        }
        Moved m{id, 0, it->name, it->classCode, StoredValue::classCodeInTable(entryYear(*it), to, today)};
        db.execute(SqlStatement(copy, {m.newClassCode, id}));
        m.newId = lastInsertedKey(db);
        db.execute(SqlStatement(remove, {id}));
        HistoryEntry out;
        out.kind = QStringLiteral("转出");
        out.classTable = from;
        out.pupilId = id;
        out.pupilName = m.name;
        out.detail = QStringLiteral("转入 %1，新编号 %2").arg(to).arg(m.newId);
        HistoryEntry in;
        in.kind = QStringLiteral("转入");
        in.classTable = to;
        in.pupilId = m.newId;
        in.pupilName = m.name;
        in.field = RecordColumns::dataColumns().at(RecordColumns::ClassCode);
        in.oldValue = m.oldClassCode;
        in.newValue = m.newClassCode;
        in.detail = QStringLiteral("从 %1 转来，原编号 %2").arg(from).arg(id);
        lines << out << in;
        result.moved << m;
    }
    // None of the ids was there: a class made for them is not kept either.
    if (result.moved.isEmpty()) {
        result.tableMade = false;
        return result;
    }
    result.act = History::writeAct(db, lines);
    transaction.commit();
    return result;
}

} // namespace ClassMove
