#pragma once

#include <QList>
#include <QString>

#include "platform/database.h"

// The program's own tables beside the class tables: its settings, the records
// taken out of their class, the history of changes and the imports. Their
// names begin with "tavro_", which no class name can; the table lists, the
// merge and the checks never take them for class tables. Each engine gets a
// table the first time it is needed. Used from the user-interface thread only.
namespace ProgramTables {

inline const QString settings = QStringLiteral("tavro_settings");

// True for a name of the program's own (a name beginning with "tavro_", in any letter case).
bool isProgramTable(const QString &name);

// The names that are not the program's own, in their order.
QStringList withoutProgramTables(const QStringList &names);

// One column of a program table.
struct Column
{
    enum class Kind {
        Key,      // an automatically numbered integer key
        Integer,  // a whole number
        Text,     // a short text (up to 255 characters)
        LongText, // a text of any length
    };
    QString name;
    Kind kind;
};

// The statement that makes the table on the engine.
QString createStatement(Database::Engine engine, const QString &table, const QList<Column> &columns);

// Makes the table when the database lacks it; a second process making it at the
// same moment is no failure. Call outside a transaction: a failed CREATE would
// spoil the transaction on a server.
void ensure(Database &db, const QString &table, const QList<Column> &columns);

} // namespace ProgramTables
