// The interface each database driver (sqlite/, postgresql/, odbc/) implements.
// Drivers know nothing of queries, providers or SQL storages; they run one
// statement with its parameter values and hand back every row.
#ifndef CONTA_PLATFORM_DB_DRIVER_H_
#define CONTA_PLATFORM_DB_DRIVER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "conta/data_packet.h"
#include "conta/variant.h"
#include "platform/db/dialect.h"
#include "platform/db/named_parameters.h"

namespace conta::db {

// How a parameter is declared on its statement.
enum class ParamType { String, Float, DateTime };

// A parameter value ready to bind: Null, or Text (String), Double (Float),
// DateTime (DateTime), already converted to the declared type.
struct BoundParameter {
  ParamType type = ParamType::String;
  Variant value;
};

// The type (and width) of a result column, decided by the statement: a hint
// names the column's type whatever the engine reports, and the engine's width
// stands when the hint gives none. Hints make the type of an expression
// column independent of the rows (SQLite leaves such columns untyped; its
// ODBC driver types them by the first row).
struct ColumnHint {
  std::string name;  // upper case
  FieldType type = FieldType::String;
  int width = 0;
};

struct ExecuteOptions {
  bool want_rows = true;
  int timeout_seconds = 0;  // 0: no limit
  const std::vector<ColumnHint>* hints = nullptr;
  const std::string* name = nullptr;  // the statement's component, for the trace
};

// Every row of a statement's result, with its columns described as packet
// fields: name in upper case, type String (width when known), Int64, Float
// (also for NUMERIC/DECIMAL), Boolean, DateTime or Bytes. Doubles come back
// bit-exact from every driver but SQLite through ODBC, whose driver reads
// them with 15 significant digits.
struct ResultSet {
  std::vector<Field> fields;
  std::vector<std::vector<Variant>> rows;
  std::int64_t rows_affected = -1;
  // For the statement trace, where the engine tells: "prepared" (planned
  // for this run), "reused" (a statement prepared on the connection
  // before), "" (not known).
  const char* preparation = "";
  // For the statement trace, where the engine tells: the work the run took
  // (SQLite's virtual machine steps, which grow with the rows it reads), or
  // -1.
  std::int64_t steps = -1;
};

// How long a statement waits for a lock another connection holds (another
// process's bill of the same branch) before it fails: the same on every
// engine. SQLite: the busy timeout; PostgreSQL: lock_timeout; MS SQL Server:
// SET LOCK_TIMEOUT; Oracle: the WAIT of the statement that locks.
constexpr int kLockWaitSeconds = 15;

class DriverConnection {
 public:
  virtual ~DriverConnection() = default;

  [[nodiscard]] virtual Dialect dialect() const = 0;
  // False once the driver knows the link to the server is broken; the
  // connection is then reopened on the next open().
  virtual bool alive() = 0;

  virtual void begin() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  virtual bool inTransaction() = 0;

  // Runs one statement. `parameters` holds one value per name of `sql`, in the
  // order of sql.names. Throws DatabaseError.
  virtual ResultSet execute(const ParsedSql& sql, const std::vector<BoundParameter>& parameters,
                            const ExecuteOptions& options) = 0;
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_DRIVER_H_
