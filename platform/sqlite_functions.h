#pragma once

struct sqlite3;

// Scalar functions and the pinyin collation that T-SQL statements expect,
// registered on one SQLite connection. Throws DatabaseError.
namespace SqliteFunctions {

void registerAll(sqlite3 *handle);

// Name of the collation that orders Chinese text by pinyin.
inline constexpr const char *kPinyinCollation = "pinyin";

} // namespace SqliteFunctions
