#include "data/store_schema.h"

#include "conta/error.h"
#include "data/store_schema_sql.h"

namespace conta {

const std::string& storeSchemaSql(std::string_view dialect) {
  static const std::string sqlite(kStoreSchemaSqlite);
  static const std::string postgresql(kStoreSchemaPostgresql);
  if (dialect == "sqlite") return sqlite;
  if (dialect == "postgresql") return postgresql;
  throw Error("no store schema for the dialect '" + std::string(dialect) +
              "' (available: sqlite, postgresql)");
}

}  // namespace conta
