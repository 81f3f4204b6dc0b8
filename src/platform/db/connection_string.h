// Connection strings of the store database, in the forms hosts give them:
//   ""                      the embedded default: SQLite Dados/loja.db under the host directory
//   sqlite:PATH             a SQLite file (a relative path is under the host directory)
//   postgresql://...        a libpq URI (postgres:// too), or libpq key=value text
//                           ("host=... dbname=...")
//   odbc:DRIVER={..};...    an ODBC connection string; the dialect comes from the DBMS
//   Provider=...;...        an ADO-style string: the provider names the dialect
//                           (MSDAORA / OraOLEDB: Oracle; SQLOLEDB / SQLNCLI / MSOLEDBSQL:
//                           MS SQL Server) and it is reached through ODBC
#ifndef CONTA_PLATFORM_DB_CONNECTION_STRING_H_
#define CONTA_PLATFORM_DB_CONNECTION_STRING_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/db/dialect.h"

namespace conta::db {

enum class DriverKind { Sqlite, PostgreSql, Odbc };

struct ConnectionTarget {
  DriverKind driver = DriverKind::Sqlite;
  // What the driver opens: a file path, a libpq connection string, or an ODBC
  // connection string.
  std::string target;
  // The dialect when the string names it (ADO providers); else the engine's.
  std::optional<Dialect> dialect;
  // Secrets found in the string; removed from every message.
  std::string password;
};

// Throws DatabaseError for a string it cannot use (unknown form or provider,
// integrated security), with the password masked in the message.
[[nodiscard]] ConnectionTarget parseConnectionString(std::string_view text,
                                                     const std::filesystem::path& host_directory);

// `text` with every occurrence of `password` replaced by "***".
[[nodiscard]] std::string withoutPassword(std::string text, std::string_view password);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_CONNECTION_STRING_H_
