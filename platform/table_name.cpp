#include "table_name.h"

#include "platform/sql_name.h"

QString TableName::sql(Database::Engine engine) const
{
    return SqlName::quoted(engine, m_name);
}
