// The SQLite driver, the embedded default. Date-times are stored as ISO-8601
// text ("2024-03-15 14:30:05.123"); column types come from the declared type
// of table columns, and from hints for expression columns, never from the
// values a row happens to hold. A statement with a time-out is interrupted
// once it runs past it.
#include "platform/db/sqlite/connection.h"

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/db/column_values.h"
#include "platform/db/database_error.h"
#include "platform/db/sqlite/handles.h"

namespace conta::db {
namespace {

using sqlite::DatabasePtr;
using sqlite::StatementPtr;

// SQLSTATE-like codes for the engine's result codes, so callers can tell a
// failed connection (08) from a constraint (23) or anything else (HY000).
std::string sqlstateOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_CONSTRAINT:
      return "23000";
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
      return "08001";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "40001";
    case SQLITE_INTERRUPT:
      return "57014";
    default:
      return "HY000";
  }
}

// SQLite gives every page cache, also the one of each temporary table a
// statement builds (for an IN list, a UNION, a sort), a first block of about
// 90 KB. A bill's statements build dozens of them, and the allocator hands
// that memory back to the system and faults it in again every time, which
// costs more than the statements themselves on a small store. Page caches
// then grow a page at a time instead. This takes effect only when the
// process has not used SQLite before; otherwise it is left as it is.
void configureSqlite() {
  static const bool configured = [] {
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    return true;
  }();
  (void)configured;
}

class SqliteConnection final : public DriverConnection {
 public:
  explicit SqliteConnection(const std::string& path) : path_(path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
      // The module never creates the store's database.
      throw DatabaseError("the store database " + path + " does not exist", "08001");
    }
    configureSqlite();
    sqlite3* raw = nullptr;
    int code =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    db_.reset(raw);
    if (code != SQLITE_OK) {
      std::string message = raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(code);
      throw DatabaseError("cannot open the store database " + path + ": " + message,
                          sqlstateOf(code), code);
    }
    sqlite3_extended_result_codes(db_.get(), 1);
    // Wait for another writer (a second host process) instead of failing.
    sqlite3_busy_timeout(db_.get(), kLockWaitSeconds * 1000);
    // SQLite asks every kProgressSteps steps of a statement whether to go
    // on: the statement that runs past its deadline is interrupted. The
    // busy wait above takes no steps, so the lock keeps its own bound.
    sqlite3_progress_handler(db_.get(), kProgressSteps, &SqliteConnection::pastDeadline, this);
    // A file that is not a database shows only on the first read; the
    // message then names the file.
    try {
      run("SELECT count(*) FROM sqlite_master");
    } catch (const DatabaseError& e) {
      throw DatabaseError("O banco da loja " + path + " não pode ser lido: " + e.message(),
                          (e.nativeCode() & 0xFF) == SQLITE_NOTADB ? "08001" : e.sqlstate(),
                          e.nativeCode());
    }
  }

  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  Dialect dialect() const override { return Dialect::Sqlite; }
  bool alive() override { return db_ != nullptr; }

  void begin() override { run("BEGIN IMMEDIATE"); }
  void commit() override { run("COMMIT"); }
  void rollback() override { run("ROLLBACK"); }
  bool inTransaction() override { return sqlite3_get_autocommit(db_.get()) == 0; }

  ResultSet execute(const ParsedSql& sql, const std::vector<BoundParameter>& parameters,
                    const ExecuteOptions& options) override {
    std::string text =
        sql.render([](std::size_t, std::size_t name) { return "?" + std::to_string(name + 1); });
    Deadline deadline(*this, options.timeout_seconds);
    CachedStatement statement(*this, text);
    for (std::size_t i = 0; i < parameters.size(); ++i)
      bind(statement.get(), static_cast<int>(i + 1), parameters[i]);

    ResultSet result;
    // The columns are read after the first step: a kept statement whose
    // tables changed is prepared again by that step.
    int code = sqlite3_step(statement.get());
    if (code != SQLITE_DONE && code != SQLITE_ROW) fail(code);
    int columns = sqlite3_column_count(statement.get());
    if (options.want_rows) {
      for (int c = 0; c < columns; ++c)
        result.fields.push_back(describe(statement.get(), c, options));
    }
    for (; code != SQLITE_DONE; code = sqlite3_step(statement.get())) {
      if (code != SQLITE_ROW) fail(code);
      if (!options.want_rows) continue;
      std::vector<Variant> row;
      row.reserve(static_cast<std::size_t>(columns));
      for (int c = 0; c < columns; ++c)
        row.push_back(read(statement.get(), c, result.fields[c]));
      result.rows.push_back(std::move(row));
    }
    result.rows_affected = columns == 0 ? sqlite3_changes64(db_.get()) : -1;
    result.preparation = statement.prepared() ? "prepared" : "reused";
    result.steps = sqlite3_stmt_status(statement.get(), SQLITE_STMTSTATUS_VM_STEP, 1);
    return result;
  }

 private:
  [[noreturn]] void fail(int code) const {
    if (timed_out_) {
      throw DatabaseError("the statement ran longer than its time-out of " +
                              std::to_string(timeout_seconds_) + " s and was interrupted",
                          sqlstateOf(code), code);
    }
    throw DatabaseError(sqlite3_errmsg(db_.get()), sqlstateOf(code), code);
  }

  // The deadline of the statement running, for the progress handler, from
  // its start until it ends (none for a statement without a time-out).
  class Deadline {
   public:
    Deadline(SqliteConnection& owner, int seconds) : owner_(owner) {
      owner_.timed_out_ = false;
      owner_.timeout_seconds_ = seconds;
      if (seconds > 0) owner_.deadline_ = Clock::now() + std::chrono::seconds(seconds);
    }
    ~Deadline() { owner_.deadline_.reset(); }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

   private:
    SqliteConnection& owner_;
  };

  // The progress handler: non-zero interrupts the statement.
  static int pastDeadline(void* connection) {
    auto& self = *static_cast<SqliteConnection*>(connection);
    if (!self.deadline_ || Clock::now() < *self.deadline_) return 0;
    self.timed_out_ = true;
    return 1;
  }

  void run(const char* sql) {
    char* message = nullptr;
    int code = sqlite3_exec(db_.get(), sql, nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
      std::string text = message != nullptr ? message : sqlite3_errstr(code);
      sqlite3_free(message);
      throw DatabaseError(text, sqlstateOf(code), code);
    }
  }

  // The module runs the same few dozen statements on every bill: each is
  // prepared once per connection and kept, reset and cleared between runs.
  // A statement is taken out of the cache while it runs, so a statement run
  // inside another (never done today) would only be prepared twice.
  class CachedStatement {
   public:
    CachedStatement(SqliteConnection& owner, const std::string& text) : owner_(owner), text_(text) {
      auto found = owner_.cache_.find(text_);
      if (found != owner_.cache_.end()) {
        statement_ = std::move(found->second);
        owner_.cache_.erase(found);
      } else {
        statement_ = owner_.prepare(text_);
        prepared_ = true;
      }
    }
    ~CachedStatement() {
      sqlite3_reset(statement_.get());
      sqlite3_clear_bindings(statement_.get());
      if (owner_.cache_.size() >= kCacheSize) owner_.cache_.clear();
      owner_.cache_.emplace(std::move(text_), std::move(statement_));
    }
    CachedStatement(const CachedStatement&) = delete;
    CachedStatement& operator=(const CachedStatement&) = delete;
    sqlite3_stmt* get() const { return statement_.get(); }
    bool prepared() const { return prepared_; }

   private:
    SqliteConnection& owner_;
    std::string text_;
    StatementPtr statement_;
    bool prepared_ = false;
  };
  static constexpr std::size_t kCacheSize = 128;

  StatementPtr prepare(const std::string& text) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int code =
        sqlite3_prepare_v2(db_.get(), text.c_str(), static_cast<int>(text.size()), &raw, &tail);
    StatementPtr statement(raw);
    if (code != SQLITE_OK) fail(code);
    if (statement == nullptr) throw DatabaseError("the statement is empty", "42000");
    for (; tail != nullptr && *tail != '\0'; ++tail) {
      if (*tail != ' ' && *tail != '\n' && *tail != '\r' && *tail != '\t' && *tail != ';') {
        throw DatabaseError("a statement text holds more than one statement", "42000");
      }
    }
    return statement;
  }

  void bind(sqlite3_stmt* statement, int index, const BoundParameter& p) {
    int code = SQLITE_OK;
    const Variant& v = p.value;
    if (v.isNull() || v.isEmpty()) {
      code = sqlite3_bind_null(statement, index);
    } else if (p.type == ParamType::Float) {
      code = sqlite3_bind_double(statement, index, v.real());
    } else if (p.type == ParamType::DateTime) {
      std::string text = timestampText(v.dateTime());
      code = sqlite3_bind_text(statement, index, text.c_str(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    } else {
      const std::string& text = v.text();
      code = sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    }
    if (code != SQLITE_OK) fail(code);
  }

  Field describe(sqlite3_stmt* statement, int column, const ExecuteOptions& options) const {
    std::string name = upperName(sqlite3_column_name(statement, column));
    if (options.hints != nullptr) {
      for (const auto& hint : *options.hints) {
        if (hint.name == name) return Field(name, hint.type, hint.width);
      }
    }
    const char* declared = sqlite3_column_decltype(statement, column);
    if (declared != nullptr) {
      if (auto field = fieldFromTypeName(name, declared)) return *field;
    }
    throw DatabaseError(
        "column " + name + " has no declared type; give the statement a type hint for it", "42804");
  }

  Variant read(sqlite3_stmt* statement, int column, const Field& field) const {
    int storage = sqlite3_column_type(statement, column);
    if (storage == SQLITE_NULL) return Variant::null();
    switch (field.valueKind()) {
      case ValueKind::Integer:
        if (storage == SQLITE_INTEGER) return Variant(sqlite3_column_int64(statement, column));
        if (storage == SQLITE_FLOAT) {
          return Variant(Variant(sqlite3_column_double(statement, column)).toInteger());
        }
        break;
      case ValueKind::Float:
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
          return Variant(sqlite3_column_double(statement, column));
        }
        break;
      case ValueKind::Bytes: {
        const void* data = sqlite3_column_blob(statement, column);
        int size = sqlite3_column_bytes(statement, column);
        return Variant::fromBytes(
            std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)));
      }
      default:
        break;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    std::string_view view(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    if (field.valueKind() == ValueKind::Text) return Variant(view);
    if (auto value = valueFromText(field, view)) return *value;
    throw DatabaseError("column " + field.name + " holds '" + std::string(view) +
                            "', which is not a value of its type",
                        "22018");
  }

  using Clock = std::chrono::steady_clock;
  // Often enough to stop within a millisecond or so, rarely enough to cost
  // nothing measurable: a bill's statement takes thousands of steps.
  static constexpr int kProgressSteps = 1000;

  std::string path_;
  DatabasePtr db_;
  std::optional<Clock::time_point> deadline_;
  int timeout_seconds_ = 0;
  bool timed_out_ = false;
  // Declared after the database so its statements are finalized first.
  std::unordered_map<std::string, StatementPtr> cache_;
};

}  // namespace

void createSqliteDatabase(const std::string& path) {
  std::error_code error;
  if (std::filesystem::exists(path, error)) {
    throw DatabaseError("cannot create the database " + path + ": the file exists", "42710");
  }
  configureSqlite();
  sqlite3* raw = nullptr;
  int code =
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  DatabasePtr db(raw);
  if (code != SQLITE_OK) {
    throw DatabaseError("cannot create the database " + path + ": " + sqlite3_errstr(code),
                        sqlstateOf(code), code);
  }
  // An empty file is no database until something is written.
  sqlite3_exec(db.get(), "PRAGMA user_version = 0", nullptr, nullptr, nullptr);
}

std::unique_ptr<DriverConnection> openSqlite(const ConnectionTarget& target) {
  return std::make_unique<SqliteConnection>(target.target);
}

}  // namespace conta::db
