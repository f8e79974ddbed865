#include "pupil_search.h"

#include "core/operations/table_lists.h"
#include "core/record/record_columns.h"
#include "core/record/record_rules.h"
#include "core/record/record_schema.h"
#include "platform/database.h"
#include "platform/table_name.h"

namespace PupilSearch {

namespace {

QString withoutBlanks(QString text)
{
    text.remove(QLatin1Char(' ')).remove(QChar(0x3000));
    return text;
}

} // namespace

bool matches(const Pupil &pupil, const QString &typed)
{
    const QString text = withoutBlanks(typed.trimmed());
    if (text.isEmpty())
        return false;
    if (withoutBlanks(pupil.name).contains(text, Qt::CaseInsensitive))
        return true;
    // An ID number as the form stores it: half-width, a capital X.
    const QString number = RecordRules::normalizedTyped(RecordColumns::CardNo, text);
    if (number.size() >= 6 && pupil.idNumber.contains(number, Qt::CaseInsensitive))
        return true;
    bool isNumber = false;
    const qint64 id = number.toLongLong(&isNumber);
    return isNumber && id == pupil.id;
}

QList<Pupil> pupilsOf(Database &db, const QStringList &tables)
{
    const QString name = RecordSchema::name(RecordColumns::Name);
    const QString card = RecordSchema::name(RecordColumns::CardNo);
    QList<Pupil> pupils;
    for (const QString &table : tables) {
        const QueryResult rows = db.query(QStringLiteral("select id, %1, %2 from %3 Order by %1")
                                              .arg(name, card, TableName(table).sql(db)));
        for (int row = 0; row < rows.rowCount(); ++row)
            pupils.append({table, rows.text(row, 0).toLongLong(), rows.text(row, 1), rows.text(row, 2)});
    }
    return pupils;
}

QList<Pupil> find(Database &db, const QStringList &tables, const QString &typed)
{
    QList<Pupil> found;
    if (typed.trimmed().isEmpty())
        return found;
    for (const Pupil &pupil : pupilsOf(db, tables)) {
        if (matches(pupil, typed))
            found << pupil;
    }
    return found;
}

QStringList classTables(Database &db)
{
    return TableLists::classTables(TableLists::tableNames(db));
}

} // namespace PupilSearch
