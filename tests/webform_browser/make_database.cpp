// Makes a local database for the browser test: the templates Init1 and Init2
// and one class table.
//
//   webform_browser_database <tavro.db> <class table>
#include <cstdio>

#include <QCoreApplication>

#include "core/operations/template_tables.h"
#include "platform/app_error.h"
#include "platform/sql_database.h"
#include "platform/table_name.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: webform_browser_database <tavro.db> <class table>\n");
        return 2;
    }
    try {
        const std::unique_ptr<SqlDatabase> db = SqlDatabase::openSqlite(args.at(1), SqliteMode::Create);
        TemplateTables::create(*db);
        TemplateTables::createClassTable(*db, TableName(args.at(2)));
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
