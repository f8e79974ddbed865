#pragma once

class QString;
struct sqlite3;

// Scalar functions and the pinyin collation that T-SQL statements expect,
// registered on one SQLite connection. Throws DatabaseError.
namespace SqliteFunctions {

void registerAll(sqlite3 *handle);

// The test behind fn_ValidateIDC, the resident ID check the servers run as a
// function of their own. The check belongs to the record's rules in the core,
// which hands it in when a program linking it starts; until then a statement
// calling the function fails.
using IdNumberTest = bool (*)(const QString &);
void setIdNumberTest(IdNumberTest test);

// Name of the collation that orders Chinese text by pinyin.
inline constexpr const char *kPinyinCollation = "pinyin";

} // namespace SqliteFunctions
