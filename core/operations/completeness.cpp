#include "completeness.h"

#include <QHash>

#include "core/operations/data_checks.h"

#include "core/record/record_columns.h"
#include "core/record/record_rules.h"
#include "core/record/record_schema.h"
#include "platform/database.h"

namespace Completeness {

namespace {

struct Pupil
{
    QString id;
    QString name;
    QStringList missing; // column names
};

struct ClassRows
{
    int pupils = 0;
    QList<Pupil> incomplete;
};

// One statement over every table (as the other checks run), judged here by the record's rules.
QHash<QString, ClassRows> readClasses(Database &db, const QStringList &tables)
{
    const QStringList columns = RecordColumns::dataColumns();
    const QString piece = QStringLiteral("(select '%1' as 班级, id, ") + columns.join(QStringLiteral(", "))
        + QStringLiteral(" from %2)");
    const QueryResult rows = db.query(DataChecks::buildUnionQuery(piece, QString(), tables, db.engine()));
    QHash<QString, ClassRows> classes;
    QStringList values(columns.size());
    for (int r = 0; r < rows.rowCount(); ++r) {
        ClassRows &rowsOfClass = classes[rows.text(r, 0)];
        ++rowsOfClass.pupils;
        for (int c = 0; c < columns.size(); ++c)
            values[c] = rows.text(r, c + 2).trimmed();
        const QList<RecordColumns::Index> missing = RecordRules::missing(values);
        if (missing.isEmpty())
            continue;
        Pupil pupil{rows.text(r, 1), values.at(RecordColumns::Name), {}};
        for (RecordColumns::Index column : missing)
            pupil.missing << RecordSchema::name(column);
        rowsOfClass.incomplete << pupil;
    }
    return classes;
}

} // namespace

QStringList reportLines(Database &db, const QStringList &tables)
{
    const QChar tab = QLatin1Char('\t');
    QStringList lines{QStringLiteral("# 待补全：必填项目还空着的学生"), QStringLiteral("班级\t编号\t姓名\t待补全的项目\t")};
    QStringList tally{QStringLiteral("# 各班完成情况"), QStringLiteral("班级\t人数\t已完成\t待补全\t")};
    const QHash<QString, ClassRows> classes = readClasses(db, tables);
    int allPupils = 0;
    int allIncomplete = 0;
    for (const QString &table : tables) {
        const ClassRows rows = classes.value(table);
        for (const Pupil &p : rows.incomplete)
            lines << table + tab + p.id + tab + p.name + tab + p.missing.join(QStringLiteral("、")) + tab;
        const int incomplete = int(rows.incomplete.size());
        tally << QStringLiteral("%1\t%2\t%3\t%4\t").arg(table).arg(rows.pupils).arg(rows.pupils - incomplete).arg(incomplete);
        allPupils += rows.pupils;
        allIncomplete += incomplete;
    }
    tally << QStringLiteral("合计\t%1\t%2\t%3\t").arg(allPupils).arg(allPupils - allIncomplete).arg(allIncomplete);
    return lines + QStringList{QString(), QString()} + tally;
}

int incompleteCount(Database &db, const QString &table)
{
    return int(readClasses(db, {table}).value(table).incomplete.size());
}

QSet<qint64> incompleteIds(Database &db, const QString &table)
{
    QSet<qint64> ids;
    for (const Pupil &pupil : readClasses(db, {table}).value(table).incomplete)
        ids.insert(pupil.id.toLongLong());
    return ids;
}

} // namespace Completeness
