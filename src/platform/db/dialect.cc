#include "platform/db/dialect.h"

namespace conta::db {

const char* dialectName(Dialect dialect) {
  switch (dialect) {
    case Dialect::Oracle:
      return "oracle";
    case Dialect::MsSql:
      return "mssql";
    case Dialect::PostgreSql:
      return "postgresql";
    case Dialect::Sqlite:
      return "sqlite";
  }
  return "?";
}

std::optional<Dialect> dialectFromName(std::string_view name) {
  if (name == "oracle") return Dialect::Oracle;
  if (name == "mssql") return Dialect::MsSql;
  if (name == "postgresql") return Dialect::PostgreSql;
  if (name == "sqlite") return Dialect::Sqlite;
  return std::nullopt;
}

const std::string& DialectTexts::forDialect(Dialect dialect) const {
  switch (dialect) {
    case Dialect::Oracle:
      return oracle;
    case Dialect::MsSql:
      return mssql;
    case Dialect::PostgreSql:
      return postgresql;
    case Dialect::Sqlite:
      return sqlite;
  }
  return oracle;
}

}  // namespace conta::db
