// The SQL dialects a store database may speak. Every statement of the module
// has one text per dialect; the connection tells which one runs.
#ifndef CONTA_PLATFORM_DB_DIALECT_H_
#define CONTA_PLATFORM_DB_DIALECT_H_

#include <optional>
#include <string>
#include <string_view>

namespace conta::db {

enum class Dialect { Oracle, MsSql, PostgreSql, Sqlite };

inline constexpr Dialect kAllDialects[] = {Dialect::Oracle, Dialect::MsSql, Dialect::PostgreSql,
                                           Dialect::Sqlite};

// "oracle", "mssql", "postgresql", "sqlite".
[[nodiscard]] const char* dialectName(Dialect dialect);
[[nodiscard]] std::optional<Dialect> dialectFromName(std::string_view name);

// The texts of one statement for every dialect, side by side. An empty text:
// the statement has none for that dialect.
struct DialectTexts {
  std::string oracle{};
  std::string mssql{};
  std::string postgresql{};
  std::string sqlite{};

  [[nodiscard]] const std::string& forDialect(Dialect dialect) const;
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_DIALECT_H_
