// The PostgreSQL loader: rows gathered per table in COPY's text format and
// sent with COPY ... FROM STDIN, all in one transaction. COPY is the
// server's bulk path: it parses no SQL per row, and takes megabytes a round
// trip where even multi-row INSERTs take hundreds of rows.
#include <libpq-fe.h>

#include <charconv>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "history/loader.h"
#include "platform/db/connection_string.h"
#include "platform/db/database_error.h"
#include "platform/db/postgresql/handles.h"

namespace conta::history {
namespace {

// A buffer is sent when it grows past this: large enough to keep round trips
// rare, small enough to keep memory flat.
constexpr std::size_t kFlushBytes = 8u << 20;

using db::postgresql::ConnectionPtr;
using db::postgresql::ResultPtr;

// A text value in COPY's text format: backslash, tab, newline and carriage
// return escaped; everything else as is.
void appendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
}

// The shortest text that reads back as the same double.
void appendReal(std::string& out, double value) {
  char text[32];
  auto [end, error] = std::to_chars(text, text + sizeof text, value);
  out.append(text, end);
}

class PostgreSqlLoader final : public Loader {
 public:
  PostgreSqlLoader(const std::string& conninfo, std::string password)
      : password_(std::move(password)) {
    // Defaults first: what the connection string itself says wins.
    const char* keys[] = {"connect_timeout", "client_encoding", "dbname", nullptr};
    const char* values[] = {"15", "UTF8", conninfo.c_str(), nullptr};
    connection_.reset(PQconnectdbParams(keys, values, 1));
    if (connection_ == nullptr || PQstatus(connection_.get()) != CONNECTION_OK) {
      throw db::DatabaseError("cannot connect to PostgreSQL: " + lastError(), "08001");
    }
    // The server's notices (a DROP of a table that is not there) are no
    // concern of the person waiting for the store.
    PQsetNoticeProcessor(
        connection_.get(), [](void*, const char*) {}, nullptr);
    exec("BEGIN");
    in_transaction_ = true;
  }

  ~PostgreSqlLoader() override {
    if (in_transaction_) ResultPtr(PQexec(connection_.get(), "ROLLBACK"));
  }

  std::vector<std::string> tables() override {
    ResultPtr result(PQexec(connection_.get(),
                            "SELECT upper(table_name) FROM information_schema.tables "
                            "WHERE table_schema = current_schema()"));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
      throw db::DatabaseError("the tables of the schema: " + lastError(), sqlstate(result.get()));
    }
    std::vector<std::string> names;
    for (int i = 0; i < PQntuples(result.get()); ++i)
      names.emplace_back(PQgetvalue(result.get(), i, 0));
    return names;
  }

  void execute(std::string_view sql) override {
    // The rows added before it go first: an index or ANALYZE sees them.
    for (auto& [table, buffer] : buffers_)
      copy(*table, buffer);
    exec(std::string(sql).c_str());
  }

  void add(const TableLayout& table, std::span<const Cell> row) override {
    if (row.size() != table.columns.size()) {
      throw db::DatabaseError(std::string(table.name) + ": a row of " + std::to_string(row.size()) +
                              " values for " + std::to_string(table.columns.size()) + " columns");
    }
    std::string& out = bufferFor(table);
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) out += '\t';
      switch (row[i].kind) {
        case Cell::Kind::Null:
          out += "\\N";
          break;
        case Cell::Kind::Real:
          appendReal(out, row[i].real);
          break;
        case Cell::Kind::Text:
          appendEscaped(out, row[i].text);
          break;
      }
    }
    out += '\n';
    if (out.size() >= kFlushBytes) copy(table, out);
  }

  void finish() override {
    for (auto& [table, buffer] : buffers_)
      copy(*table, buffer);
    exec("COMMIT");
    in_transaction_ = false;
  }

 private:
  std::string& bufferFor(const TableLayout& table) {
    for (auto& [layout, buffer] : buffers_) {
      if (layout == &table) return buffer;
    }
    buffers_.emplace_back(&table, std::string());
    buffers_.back().second.reserve(kFlushBytes + 4096);
    return buffers_.back().second;
  }

  // Sends the buffered rows of a table and empties the buffer.
  void copy(const TableLayout& table, std::string& rows) {
    if (rows.empty()) return;
    std::string sql = "COPY " + std::string(table.name) + " (";
    for (std::size_t i = 0; i < table.columns.size(); ++i)
      sql += (i == 0 ? "" : ", ") + std::string(table.columns[i]);
    sql += ") FROM STDIN";
    ResultPtr start(PQexec(connection_.get(), sql.c_str()));
    if (PQresultStatus(start.get()) != PGRES_COPY_IN) fail(table, start.get());
    if (PQputCopyData(connection_.get(), rows.data(), static_cast<int>(rows.size())) != 1 ||
        PQputCopyEnd(connection_.get(), nullptr) != 1) {
      throw db::DatabaseError(std::string(table.name) + ": " + lastError(), "08006");
    }
    // The outcome of the COPY, then nothing more.
    ResultPtr end(PQgetResult(connection_.get()));
    if (PQresultStatus(end.get()) != PGRES_COMMAND_OK) fail(table, end.get());
    while (ResultPtr(PQgetResult(connection_.get())) != nullptr) {
    }
    rows.clear();
  }

  void exec(const char* sql) {
    ResultPtr result(PQexec(connection_.get(), sql));
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      std::string statement(sql);
      if (statement.size() > 60) statement = statement.substr(0, 57) + "...";
      throw db::DatabaseError(statement + ": " + lastError(), sqlstate(result.get()));
    }
  }

  [[noreturn]] void fail(const TableLayout& table, const PGresult* result) {
    throw db::DatabaseError(std::string(table.name) + ": " + lastError(), sqlstate(result));
  }

  static std::string sqlstate(const PGresult* result) {
    const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state != nullptr ? state : "";
  }

  std::string lastError() const {
    std::string text = connection_ != nullptr ? PQerrorMessage(connection_.get()) : "out of memory";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
      text.pop_back();
    return db::withoutPassword(text, password_);
  }

  std::string password_;
  ConnectionPtr connection_;
  std::vector<std::pair<const TableLayout*, std::string>> buffers_;
  bool in_transaction_ = false;
};

}  // namespace

std::unique_ptr<Loader> openPostgreSqlLoader(const std::string& conninfo,
                                             const std::string& password) {
  return std::make_unique<PostgreSqlLoader>(conninfo, password);
}

}  // namespace conta::history
