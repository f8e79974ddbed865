// The browser test's helpers:
//
//   webform_browser_database <tavro.db> <class table>
//       makes a local database with the templates Init1 and Init2 and one class table;
//   webform_browser_database --form-row
//       saves the pupil the browser test types through the entry form itself (offscreen)
//       and prints the stored row as a JSON array, for the column-by-column comparison.
#include <cstdio>

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include "core/operations/template_tables.h"
#include "core/record/entry_year.h"
#include "entry_form_driver.h"
#include "platform/app_error.h"
#include "platform/sql_database.h"
#include "platform/table_name.h"
#include "test_env.h"
#include "ui_entry_form.h"

namespace {

int printFormRow()
{
    // Today, as the web form's server judges by.
    TestEnv env(QDateTime::currentDateTime());
    EntryFormDriver driver(env);
    driver.fillStudent();
    // The entry year as the class setup preselects it, which the web form stores too.
    EntryFormDriver::choose(driver.ui()->cbYear,
                            QString::number(EntryYear::forGrade(QStringLiteral("高一"), driver.startupDate().date())));
    driver.clickSave();
    const QStringList row = driver.storedRow(1);
    std::printf("%s\n", QJsonDocument(QJsonArray::fromStringList(row)).toJson(QJsonDocument::Compact).constData());
    return row.isEmpty() ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 2 && args.at(1) == QLatin1String("--form-row"))
        return printFormRow();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: webform_browser_database <tavro.db> <class table> | --form-row\n");
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
