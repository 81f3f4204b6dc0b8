// The SQLite loader: one prepared INSERT per table, bound and stepped for
// every row, all in one transaction on a file made for the load.
#include <sqlite3.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "history/loader.h"
#include "platform/db/database_error.h"
#include "platform/db/sqlite/handles.h"

namespace conta::history {
namespace {

using db::sqlite::DatabasePtr;
using db::sqlite::StatementPtr;

class SqliteLoader final : public Loader {
 public:
  explicit SqliteLoader(const std::filesystem::path& file) : file_(file.string()) {
    sqlite3* raw = nullptr;
    int code =
        sqlite3_open_v2(file_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    db_.reset(raw);
    if (code != SQLITE_OK) {
      throw db::DatabaseError("cannot create " + file_ + ": " +
                                  (raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(code)),
                              "08001", code);
    }
    // A file made from nothing, which becomes the store only once complete:
    // nothing waits for the disk and there is no journal to write. The
    // journal mode is not kept in the file, so the module's own connections
    // later journal as always.
    run("PRAGMA journal_mode = OFF");
    run("PRAGMA synchronous = OFF");
    run("PRAGMA cache_size = -131072");
    run("PRAGMA temp_store = MEMORY");
    run("BEGIN");
    in_transaction_ = true;
  }

  ~SqliteLoader() override {
    statements_.clear();
    if (in_transaction_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  }

  std::vector<std::string> tables() override {
    std::vector<std::string> names;
    sqlite3_stmt* raw = nullptr;
    const char* sql = "SELECT upper(name) FROM sqlite_master WHERE type = 'table'";
    if (sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr) != SQLITE_OK) {
      throw db::DatabaseError(file_ + ": " + sqlite3_errmsg(db_.get()), "HY000");
    }
    StatementPtr statement(raw);
    while (sqlite3_step(raw) == SQLITE_ROW) {
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
    }
    return names;
  }

  void execute(std::string_view sql) override { run(std::string(sql).c_str()); }

  void add(const TableLayout& table, std::span<const Cell> row) override {
    sqlite3_stmt* statement = statementFor(table);
    if (row.size() != table.columns.size()) {
      throw db::DatabaseError(std::string(table.name) + ": a row of " + std::to_string(row.size()) +
                              " values for " + std::to_string(table.columns.size()) + " columns");
    }
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int index = static_cast<int>(i + 1);
      const Cell& cell = row[i];
      int code = SQLITE_OK;
      switch (cell.kind) {
        case Cell::Kind::Null:
          code = sqlite3_bind_null(statement, index);
          break;
        case Cell::Kind::Real:
          code = sqlite3_bind_double(statement, index, cell.real);
          break;
        case Cell::Kind::Text:
          // The text lives until the step below: no copy.
          code = sqlite3_bind_text(statement, index, cell.text.data(),
                                   static_cast<int>(cell.text.size()), SQLITE_STATIC);
          break;
      }
      if (code != SQLITE_OK) fail(table, code);
    }
    int code = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (code != SQLITE_DONE) fail(table, code);
  }

  void finish() override {
    statements_.clear();
    run("COMMIT");
    in_transaction_ = false;
  }

 private:
  sqlite3_stmt* statementFor(const TableLayout& table) {
    for (const auto& [layout, statement] : statements_) {
      if (layout == &table) return statement.get();
    }
    std::string sql = "INSERT INTO " + std::string(table.name) + " (";
    std::string values;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
      sql += (i == 0 ? "" : ", ") + std::string(table.columns[i]);
      values += i == 0 ? "?" : ", ?";
    }
    sql += ") VALUES (" + values + ")";
    sqlite3_stmt* raw = nullptr;
    int code =
        sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    StatementPtr statement(raw);
    if (code != SQLITE_OK) fail(table, code);
    statements_.emplace_back(&table, std::move(statement));
    return statements_.back().second.get();
  }

  [[noreturn]] void fail(const TableLayout& table, int code) const {
    const bool constraint = (code & 0xFF) == SQLITE_CONSTRAINT;
    throw db::DatabaseError(std::string(table.name) + ": " + sqlite3_errmsg(db_.get()),
                            constraint ? "23000" : "HY000", code);
  }

  void run(const char* sql) {
    char* message = nullptr;
    int code = sqlite3_exec(db_.get(), sql, nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
      std::string text = message != nullptr ? message : sqlite3_errstr(code);
      sqlite3_free(message);
      throw db::DatabaseError(file_ + ": " + text, "HY000", code);
    }
  }

  std::string file_;
  DatabasePtr db_;
  // Few tables: a search by address beats a map.
  std::vector<std::pair<const TableLayout*, StatementPtr>> statements_;
  bool in_transaction_ = false;
};

}  // namespace

std::unique_ptr<Loader> openSqliteLoader(const std::filesystem::path& file) {
  return std::make_unique<SqliteLoader>(file);
}

}  // namespace conta::history
