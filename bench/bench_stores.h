// The stores the bill benchmark bills: the demo store and generated store
// histories of growing size, on SQLite and (when configured) PostgreSQL.
// A store already made by an earlier run is reused; one missing is made with
// `conta historico` (a 3-year history takes a few minutes).
#ifndef CONTA_BENCH_BENCH_STORES_H_
#define CONTA_BENCH_BENCH_STORES_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace conta::bench {

struct HistorySize {
  std::string name;  // "10k", "300k", "3M": the items it holds, roughly
  int dias;          // days of sales at the generator's default rate
};

// How a store was made: by this project's schema, or as other software
// makes it (only the primary keys and the two comanda indexes, statistics
// gathered); with the generated branch alone, or copied to more branches.
struct StoreKind {
  bool outro_esquema = false;
  int filiais = 1;
};

struct BenchStore {
  std::string backend;  // "sqlite" or "postgresql"
  std::string name;     // "demo" or a history size, "-x4" for 4 branches, "-other"
  std::string connection;
  StoreKind kind{};
  std::uint64_t itens = 0;  // items in the store
  // Open comandas with items of branch 0001, the first comanda of each open
  // sale in sale order: bills of 1 and 5 comandas take the first ones.
  std::vector<std::string> comandas{};
};

struct BenchSetup {
  std::filesystem::path cache;            // where stores are kept between runs
  std::filesystem::path conta_tool;       // the `conta` program
  std::optional<std::string> postgresql;  // libpq key=value string, or none
  std::vector<HistorySize> sizes;
  // The history copied to this many branches (own schema and other schema),
  // or none; and which history.
  int filiais = 4;
  std::size_t history_of_branches = 1;
};

// The host directory every store is billed with (its parameter files): the
// first history's, whose parameters bill reserved tables per seat; the demo
// store's when there are no histories.
std::filesystem::path hostDirectory(const BenchSetup& setup);

// Every store of the set-up, made or found, in order: the demo store
// (SQLite only), then per backend the histories by size, each in this
// project's schema and then in the other; then the branches' copies of one
// history, in both schemas.
std::vector<BenchStore> prepareStores(const BenchSetup& setup);

}  // namespace conta::bench

#endif  // CONTA_BENCH_BENCH_STORES_H_
