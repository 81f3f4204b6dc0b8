// The store database's schema, as a store's own database has it: the DDL
// script that creates every table and column the bill module uses, for
// tests, the demo store and integrators setting up a store.
#ifndef CONTA_DATA_STORE_SCHEMA_H_
#define CONTA_DATA_STORE_SCHEMA_H_

#include <string>
#include <string_view>

namespace conta {

// `dialect` is "sqlite" or "postgresql"; conta::Error names the dialects
// available for anything else.
const std::string& storeSchemaSql(std::string_view dialect);

}  // namespace conta

#endif  // CONTA_DATA_STORE_SCHEMA_H_
