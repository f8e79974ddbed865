#include "sql_scripts.h"

#include <QFile>

#include "platform/app_error.h"
#include "platform/text_file.h"

namespace SqlScripts {

QString idCheckFunction(Database::Engine engine)
{
    switch (engine) {
    case Database::Engine::Sqlite:
        break;
    case Database::Engine::SqlServer: {
        // Kept as the administrators know it: GBK text with CR LF.
        QFile file(QStringLiteral(":/sql/StoredProc1.sql"));
        if (!file.open(QIODevice::ReadOnly))
            throw FileError(QStringLiteral("StoredProc1: ") + file.errorString());
        return TextFile::decodeGb18030(file.readAll());
    }
    case Database::Engine::PostgreSql: {
        QFile file(QStringLiteral(":/sql/fn_ValidateIDC.postgres.sql"));
        if (!file.open(QIODevice::ReadOnly))
            throw FileError(QStringLiteral("the script of fn_ValidateIDC for PostgreSQL is missing from the program"));
        return QString::fromUtf8(file.readAll());
    }
    }
    return QString();
}

} // namespace SqlScripts
