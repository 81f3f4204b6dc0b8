// The SQL dialects a store database may speak. Every statement of the module
// has one text per dialect; the connection tells which one runs.
#ifndef CONTA_PLATFORM_DB_DIALECT_H_
#define CONTA_PLATFORM_DB_DIALECT_H_

#include <optional>
#include <string_view>

namespace conta::db {

enum class Dialect { Oracle, MsSql, PostgreSql, Sqlite };

// "oracle", "mssql", "postgresql", "sqlite".
const char* dialectName(Dialect dialect);
std::optional<Dialect> dialectFromName(std::string_view name);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_DIALECT_H_
