// The PostgreSQL driver, over libpq. Parameters travel as text: strings
// untyped (so that CHAR and date contexts work), numbers as float8,
// date-times as timestamp. Queries and edits are prepared once per
// connection and run by name afterwards: the module's statements take the
// server longer to plan than to run. Anything else (DDL, SET, transaction
// control) runs with PQexecParams' protocol. A statement with a time-out is
// waited for only that long; then the server is asked to cancel it.
#include "platform/db/postgresql/connection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/db/column_values.h"
#include "platform/db/database_error.h"
#include "platform/db/postgresql/handles.h"
#include "platform/number_text.h"

namespace conta::db {
namespace {

// Type OIDs of the built-in types the module meets.
constexpr Oid kBoolOid = 16;
constexpr Oid kByteaOid = 17;
constexpr Oid kCharOid = 18;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kFloat4Oid = 700;
constexpr Oid kFloat8Oid = 701;
constexpr Oid kBpcharOid = 1042;
constexpr Oid kVarcharOid = 1043;
constexpr Oid kDateOid = 1082;
constexpr Oid kTimeOid = 1083;
constexpr Oid kTimestampOid = 1114;
constexpr Oid kTimestamptzOid = 1184;
constexpr Oid kNumericOid = 1700;
constexpr Oid kUnknownOid = 0;

using postgresql::CancelPtr;
using postgresql::ConnectionPtr;
using postgresql::ResultPtr;

std::string trimmed(const char* text) {
  std::string out = text != nullptr ? text : "";
  while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
    out.pop_back();
  return out;
}

// The packet field of a result column.
Field describe(const PGresult* result, int column, const ExecuteOptions& options) {
  std::string name = upperName(PQfname(result, column));
  Oid type = PQftype(result, column);
  int modifier = PQfmod(result, column);
  Field field;
  switch (type) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
      field = Field(name, FieldType::Int64);
      break;
    case kFloat4Oid:
    case kFloat8Oid:
    case kNumericOid:
      field = Field(name, FieldType::Float);
      break;
    case kBoolOid:
      field = Field(name, FieldType::Boolean);
      break;
    case kDateOid:
    case kTimeOid:
    case kTimestampOid:
    case kTimestamptzOid:
      field = Field(name, FieldType::DateTime);
      break;
    case kByteaOid:
      field = Field(name, FieldType::Bytes);
      break;
    case kCharOid:
      field = Field(name, FieldType::String, 1);
      break;
    case kBpcharOid:
    case kVarcharOid:
      field = Field(name, FieldType::String, modifier > 4 ? modifier - 4 : 0);
      break;
    default:
      field = Field(name, FieldType::String);
      break;
  }
  if (options.hints != nullptr) {
    for (const auto& hint : *options.hints) {
      if (hint.name != name) continue;
      int width = hint.width > 0 ? hint.width : field.width();
      field = Field(name, hint.type, hint.type == FieldType::String ? width : 0);
    }
  }
  return field;
}

// SELECT, INSERT, UPDATE, DELETE or WITH: statements the server can prepare
// and keep.
bool preparable(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
    ++i;
  std::string word;
  for (; i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])); ++i)
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  return word == "SELECT" || word == "INSERT" || word == "UPDATE" || word == "DELETE" ||
         word == "WITH";
}

// SQLSTATE 0A000: a prepared statement whose tables changed shape.
constexpr const char* kCachedPlanChanged = "0A000";
// SQLSTATE 57014: a statement cancelled (here: at its time-out).
constexpr const char* kQueryCanceled = "57014";

class PostgreSqlConnection final : public DriverConnection {
 public:
  explicit PostgreSqlConnection(const std::string& conninfo) {
    // Defaults first: what the connection string itself says wins.
    const char* keys[] = {"connect_timeout", "client_encoding", "dbname", nullptr};
    const char* values[] = {"15", "UTF8", conninfo.c_str(), nullptr};
    connection_.reset(PQconnectdbParams(keys, values, 1));
    if (connection_ == nullptr)
      throw DatabaseError("out of memory opening a PostgreSQL connection", "08001");
    if (PQstatus(connection_.get()) != CONNECTION_OK) {
      throw DatabaseError(
          "cannot connect to PostgreSQL: " + trimmed(PQerrorMessage(connection_.get())), "08001");
    }
    // A lock held by another process is waited for as long as on every
    // engine, not without end.
    run(("SET lock_timeout = '" + std::to_string(kLockWaitSeconds) + "s'").c_str());
    // Every statement of the module is planned once per connection and the
    // plan kept. Left to choose, the server planned the statements that test
    // a comanda list anew on every run (their list of substrings, made in
    // the statement, looks a thousand rows long to a reusable plan), which
    // cost more than running them: a bill of one comanda took 7.6 ms on a
    // store of 300,000 items, 2.7 ms with its plans kept. Servers before
    // PostgreSQL 12 have no such setting and plan as they always did.
    ResultPtr generic(PQexec(connection_.get(), "SET plan_cache_mode = force_generic_plan"));
  }

  Dialect dialect() const override { return Dialect::PostgreSql; }
  bool alive() override { return PQstatus(connection_.get()) == CONNECTION_OK; }

  void begin() override { run("BEGIN"); }
  void commit() override { run("COMMIT"); }
  void rollback() override { run("ROLLBACK"); }
  bool inTransaction() override {
    PGTransactionStatusType status = PQtransactionStatus(connection_.get());
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
  }

  ResultSet execute(const ParsedSql& sql, const std::vector<BoundParameter>& parameters,
                    const ExecuteOptions& options) override {
    std::string text =
        sql.render([](std::size_t, std::size_t name) { return "$" + std::to_string(name + 1); });
    std::vector<Oid> types;
    std::vector<std::string> texts;
    std::vector<const char*> values;
    types.reserve(parameters.size());
    texts.reserve(parameters.size());
    for (const auto& p : parameters) {
      bool null = p.value.isNull() || p.value.isEmpty();
      switch (p.type) {
        case ParamType::String:
          types.push_back(kUnknownOid);
          texts.push_back(null ? std::string() : p.value.text());
          break;
        case ParamType::Float:
          types.push_back(kFloat8Oid);
          texts.push_back(null ? std::string() : number_text::formatShortest(p.value.real()));
          break;
        case ParamType::DateTime:
          types.push_back(kTimestampOid);
          texts.push_back(null ? std::string() : timestampText(p.value.dateTime()));
          break;
      }
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      bool null = parameters[i].value.isNull() || parameters[i].value.isEmpty();
      values.push_back(null ? nullptr : texts[i].c_str());
    }
    ResultPtr result;
    const char* preparation = "";
    bool cancelled = false;
    if (preparable(text)) {
      auto runPrepared = [&] {
        const std::size_t before = statements_prepared_;
        const std::string& name = prepared(text, types);
        preparation = statements_prepared_ != before ? "prepared" : "reused";
        const bool sent =
            PQsendQueryPrepared(connection_.get(), name.c_str(), static_cast<int>(values.size()),
                                values.data(), nullptr, nullptr, 0) == 1;
        result = awaitResult(sent, options.timeout_seconds, cancelled);
      };
      runPrepared();
      if (failedWith(result.get(), kCachedPlanChanged)) {
        // A table changed shape since the statement was prepared. Outside a
        // transaction nothing was lost: prepare it again and run it.
        forget(text, types);
        if (PQtransactionStatus(connection_.get()) == PQTRANS_IDLE) runPrepared();
      }
    } else {
      preparation = "planned";
      const bool sent =
          PQsendQueryParams(connection_.get(), text.c_str(), static_cast<int>(values.size()),
                            types.data(), values.data(), nullptr, nullptr, 0) == 1;
      result = awaitResult(sent, options.timeout_seconds, cancelled);
    }
    if (cancelled && failedWith(result.get(), kQueryCanceled)) {
      throw DatabaseError("the statement ran longer than its time-out of " +
                              std::to_string(options.timeout_seconds) + " s and was cancelled",
                          kQueryCanceled);
    }
    check(result.get());

    ResultSet out;
    out.preparation = preparation;
    if (PQresultStatus(result.get()) == PGRES_TUPLES_OK && options.want_rows) {
      int columns = PQnfields(result.get());
      int rows = PQntuples(result.get());
      for (int c = 0; c < columns; ++c)
        out.fields.push_back(describe(result.get(), c, options));
      out.rows.reserve(static_cast<std::size_t>(rows));
      for (int r = 0; r < rows; ++r) {
        std::vector<Variant> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c)
          row.push_back(read(result.get(), r, c, out.fields[c]));
        out.rows.push_back(std::move(row));
      }
    }
    const char* affected = PQcmdTuples(result.get());
    out.rows_affected = affected != nullptr && *affected != '\0' ? std::stoll(affected) : -1;
    return out;
  }

 private:
  void run(const char* sql) {
    ResultPtr result(PQexec(connection_.get(), sql));
    check(result.get());
  }

  // The result of the statement just sent (null when it could not be sent),
  // waited for at most `timeout_seconds` (0: as long as it takes). At the
  // time-out the server is asked to cancel the statement, which then ends
  // with 57014, and `cancelled` is set; a statement that finished first
  // keeps its result.
  ResultPtr awaitResult(bool sent, int timeout_seconds, bool& cancelled) {
    if (!sent) return nullptr;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeout_seconds);
    PGconn* connection = connection_.get();
    while (PQisBusy(connection) == 1) {
      int wait_ms = -1;
      if (timeout_seconds > 0 && !cancelled) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        wait_ms = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
      }
      pollfd socket{PQsocket(connection), POLLIN, 0};
      // A lost connection is left to PQgetResult to report.
      if (socket.fd < 0) break;
      const int ready = ::poll(&socket, 1, wait_ms);
      if (ready == 0) {
        cancel();
        cancelled = true;
      } else if (ready < 0 ? errno != EINTR : PQconsumeInput(connection) == 0) {
        break;
      }
    }
    ResultPtr result(PQgetResult(connection));
    // A statement sent alone has one result; the end of the results comes
    // after it, and the connection is then ready for the next statement.
    while (ResultPtr(PQgetResult(connection)) != nullptr) {
    }
    return result;
  }

  // Asks the server, on a connection of its own, to cancel the statement
  // running. When the request cannot be made the statement is waited for.
  void cancel() {
    CancelPtr request(PQgetCancel(connection_.get()));
    char error[256];
    if (request != nullptr) PQcancel(request.get(), error, sizeof error);
  }

  static std::string cacheKey(const std::string& text, const std::vector<Oid>& types) {
    std::string key = text;
    for (Oid type : types)
      key += "\x01" + std::to_string(type);
    return key;
  }

  // The name of the statement prepared for `text` with these parameter
  // types, preparing it on first use.
  const std::string& prepared(const std::string& text, const std::vector<Oid>& types) {
    std::string key = cacheKey(text, types);
    auto found = prepared_.find(key);
    if (found != prepared_.end()) return found->second;
    if (prepared_.size() >= kMaxPrepared) {
      run("DEALLOCATE ALL");
      prepared_.clear();
    }
    std::string name = "conta_" + std::to_string(++statements_prepared_);
    ResultPtr result(PQprepare(connection_.get(), name.c_str(), text.c_str(),
                               static_cast<int>(types.size()), types.data()));
    check(result.get());
    return prepared_.emplace(std::move(key), std::move(name)).first->second;
  }

  // Drops a prepared statement the server no longer accepts, so the next run
  // prepares it again.
  void forget(const std::string& text, const std::vector<Oid>& types) {
    auto found = prepared_.find(cacheKey(text, types));
    if (found == prepared_.end()) return;
    const std::string name = found->second;
    prepared_.erase(found);
    // Inside a failed transaction this fails too; the name is not used again.
    ResultPtr ignored(PQexec(connection_.get(), ("DEALLOCATE " + name).c_str()));
  }

  static bool failedWith(const PGresult* result, const char* sqlstate) {
    if (result == nullptr || PQresultStatus(result) != PGRES_FATAL_ERROR) return false;
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    return state != nullptr && std::string_view(state) == sqlstate;
  }

  static constexpr std::size_t kMaxPrepared = 200;

  void check(const PGresult* result) const {
    ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY) {
      return;
    }
    std::string sqlstate;
    std::string message;
    if (result != nullptr) {
      const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
      sqlstate = state != nullptr ? state : "";
      message = trimmed(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    }
    if (message.empty()) message = trimmed(PQerrorMessage(connection_.get()));
    if (PQstatus(connection_.get()) != CONNECTION_OK) {
      // The server went away: say so, so the caller knows to reconnect.
      throw DatabaseError("the connection to PostgreSQL was lost: " + message,
                          sqlstate.rfind("08", 0) == 0 ? sqlstate : "08006");
    }
    throw DatabaseError(message, sqlstate.empty() ? "HY000" : sqlstate);
  }

  static Variant read(const PGresult* result, int row, int column, const Field& field) {
    if (PQgetisnull(result, row, column)) return Variant::null();
    std::string_view text(PQgetvalue(result, row, column),
                          static_cast<std::size_t>(PQgetlength(result, row, column)));
    if (field.valueKind() == ValueKind::Text) return Variant(text);
    if (field.valueKind() == ValueKind::Bytes) {
      std::size_t length = 0;
      unsigned char* bytes =
          PQunescapeBytea(reinterpret_cast<const unsigned char*>(text.data()), &length);
      if (bytes == nullptr)
        throw DatabaseError("cannot read the bytes of column " + field.name, "22000");
      Variant value = Variant::fromBytes(std::string(reinterpret_cast<char*>(bytes), length));
      PQfreemem(bytes);
      return value;
    }
    if (field.valueKind() == ValueKind::DateTime && PQftype(result, column) == kTimeOid) {
      // A time of day alone lies on the day zero.
      if (auto t = parseTimestamp("1899-12-30 " + std::string(text))) return Variant(*t);
    }
    if (auto value = valueFromText(field, text)) return *value;
    // A float8 holds these too: read as they are, for the caller to judge.
    if (field.valueKind() == ValueKind::Float) {
      if (text == "NaN") return Variant(std::numeric_limits<double>::quiet_NaN());
      if (text == "Infinity") return Variant(std::numeric_limits<double>::infinity());
      if (text == "-Infinity") return Variant(-std::numeric_limits<double>::infinity());
    }
    throw DatabaseError("column " + field.name + " holds '" + std::string(text) +
                            "', which is not a value of its type",
                        "22018");
  }

  ConnectionPtr connection_;
  // Statements prepared on this connection: text and parameter types to name.
  std::unordered_map<std::string, std::string> prepared_;
  unsigned long statements_prepared_ = 0;
};

}  // namespace

std::unique_ptr<DriverConnection> openPostgreSql(const ConnectionTarget& target) {
  return std::make_unique<PostgreSqlConnection>(target.target);
}

}  // namespace conta::db
