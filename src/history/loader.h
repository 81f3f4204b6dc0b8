// Loader: rows written in bulk into the store tables, the fastest way each
// engine takes them. The project's database layer prepares a statement on
// every run and carries each value as a Variant, which is right for the
// bill's few statements and far too slow for millions of rows; a loader holds
// the engine's own handle instead (a prepared statement per table on SQLite,
// COPY on PostgreSQL).
//
// Everything a loader does is one transaction: finish() commits it; a loader
// destroyed before finish() rolls it back. Failures throw db::DatabaseError
// with the engine's message. Not thread-safe.
#ifndef CONTA_HISTORY_LOADER_H_
#define CONTA_HISTORY_LOADER_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace conta::history {

// One value of a row: NULL, a text (UTF-8; a view valid during the call that
// adds the row) or a number.
struct Cell {
  enum class Kind : std::uint8_t { Null, Text, Real };

  Cell() = default;
  explicit Cell(std::string_view value) : kind(Kind::Text), text(value) {}
  explicit Cell(double value) : kind(Kind::Real), real(value) {}

  Kind kind = Kind::Null;
  std::string_view text;
  double real = 0;
};

// A table and the columns a loader fills, in the order of a row's cells.
// Columns left out take their default (NULL, or the schema's DEFAULT).
struct TableLayout {
  std::string_view name;
  std::vector<std::string_view> columns;
};

class Loader {
 public:
  virtual ~Loader() = default;

  // The tables of the database's current schema, in upper case.
  [[nodiscard]] virtual std::vector<std::string> tables() = 0;
  // Runs a statement that returns no rows (DDL, ANALYZE) after the rows
  // added so far.
  virtual void execute(std::string_view sql) = 0;
  // Adds one row. REQUIRES: row.size() == table.columns.size(); the layout
  // outlives the loader (loaders keep per-table state keyed by its address).
  virtual void add(const TableLayout& table, std::span<const Cell> row) = 0;
  // Writes what is still buffered and commits.
  virtual void finish() = 0;
};

// Creates the SQLite file (a file already there is the caller's to remove
// first) and writes it without a rollback journal: a failed load leaves a
// file to throw away, never a store.
[[nodiscard]] std::unique_ptr<Loader> openSqliteLoader(const std::filesystem::path& file);
// `conninfo` as libpq takes it; `password` is kept out of messages.
[[nodiscard]] std::unique_ptr<Loader> openPostgreSqlLoader(const std::string& conninfo,
                                                           const std::string& password);

}  // namespace conta::history

#endif  // CONTA_HISTORY_LOADER_H_
