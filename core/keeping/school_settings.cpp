#include "school_settings.h"

#include <QHash>

#include "core/keeping/program_tables.h"
#include "platform/database.h"
#include "platform/table_name.h"
#include "platform/transaction.h"

namespace SchoolSettings {

static const QList<ProgramTables::Column> &columns()
{
    using Kind = ProgramTables::Column::Kind;
    static const QList<ProgramTables::Column> list = {{QStringLiteral("name"), Kind::Text},
                                                       {QStringLiteral("value"), Kind::LongText}};
    return list;
}

static bool stored(Database &db)
{
    return tableExists(db, ProgramTables::settings);
}

QString value(Database &db, const QString &name)
{
    // Nothing set yet: no table is made just to read.
    if (!stored(db))
        return QString();
    const QueryResult rows = db.query(SqlStatement(
        QStringLiteral("select value from %1 where name = ?").arg(ProgramTables::settings), {name}));
    return rows.rowCount() > 0 ? rows.text(0, 0) : QString();
}

void prepare(Database &db)
{
    ProgramTables::ensure(db, ProgramTables::settings, columns());
}

// Inside the caller's transaction.
void store(Database &db, const QString &name, const QString &value)
{
    db.execute(SqlStatement(QStringLiteral("delete from %1 where name = ?").arg(ProgramTables::settings), {name}));
    if (!value.isEmpty()) {
        db.execute(SqlStatement(QStringLiteral("insert into %1 (name, value) values (?, ?)").arg(ProgramTables::settings),
                                {name, value}));
    }
}

void setValue(Database &db, const QString &name, const QString &value)
{
    ProgramTables::ensure(db, ProgramTables::settings, columns());
    Transaction transaction(db);
    store(db, name, value);
    transaction.commit();
}

static const QString provinceKey = QStringLiteral("region.province");
static const QString cityKey = QStringLiteral("region.city");
static const QString countyKey = QStringLiteral("region.county");

RegionNames builtInRegion()
{
    RegionNames region;
    region.province = QStringLiteral("广东省");
    region.city = QStringLiteral("佛山市");
    return region;
}

RegionNames defaultRegion(Database &db)
{
    // Read at every new record: one look at the catalogue and one query for the three.
    if (!stored(db))
        return builtInRegion();
    const QueryResult rows = db.query(SqlStatement(
        QStringLiteral("select name, value from %1 where name in (?, ?, ?)").arg(ProgramTables::settings),
        {provinceKey, cityKey, countyKey}));
    QHash<QString, QString> values;
    for (int r = 0; r < rows.rowCount(); ++r)
        values.insert(rows.text(r, 0), rows.text(r, 1));
    RegionNames region;
    region.province = values.value(provinceKey);
    if (region.province.isEmpty())
        return builtInRegion();
    region.city = values.value(cityKey);
    region.county = values.value(countyKey);
    return region;
}

void setDefaultRegion(Database &db, const RegionNames &region)
{
    const bool builtIn = region.province.isEmpty();
    ProgramTables::ensure(db, ProgramTables::settings, columns());
    Transaction transaction(db);
    store(db, provinceKey, region.province);
    store(db, cityKey, builtIn ? QString() : region.city);
    store(db, countyKey, builtIn ? QString() : region.county);
    transaction.commit();
}

} // namespace SchoolSettings
