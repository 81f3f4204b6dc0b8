// The PostgreSQL driver, over libpq. Statements run with PQexecParams (one
// round trip); parameters travel as text: strings untyped (so that CHAR and
// date contexts work), numbers as float8, date-times as timestamp.
#include "platform/db/postgresql/connection.h"

#include <libpq-fe.h>

#include <memory>
#include <string>

#include "platform/db/column_values.h"
#include "platform/db/database_error.h"
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
constexpr Oid kTextOid = 25;
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

struct ConnectionCloser {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using ConnectionPtr = std::unique_ptr<PGconn, ConnectionCloser>;
using ResultPtr = std::unique_ptr<PGresult, ResultClearer>;

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
    ResultPtr result(PQexecParams(connection_.get(), text.c_str(), static_cast<int>(values.size()),
                                  types.data(), values.data(), nullptr, nullptr, 0));
    check(result.get());

    ResultSet out;
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
    throw DatabaseError("column " + field.name + " holds '" + std::string(text) +
                            "', which is not a value of its type",
                        "22018");
  }

  ConnectionPtr connection_;
};

}  // namespace

std::unique_ptr<DriverConnection> openPostgreSql(const ConnectionTarget& target) {
  return std::make_unique<PostgreSqlConnection>(target.target);
}

}  // namespace conta::db
