#include "test_env.h"

#include "app/template_tables.h"

TestEnv::TestEnv(const QDateTime &now)
    : clock(now), services{messages, clock, desktop, QString(), QStringLiteral("tavro")}
{
    services.programDir = dir.path();
    db = SqlDatabase::openSqlite(dir.filePath(QStringLiteral("tavro.db")), true);
    TemplateTables::create(*db);
}

void TestEnv::createClassTable(const QString &name)
{
    db->execute(QStringLiteral("Select * into ") + name + QStringLiteral(" from Init2 where 1 <> 1"));
}
