// Queries and commands: one SQL text (or one per dialect, through a
// SqlStorage) with named parameters, run on a Connection.
//
// Parameters are declared string (size 16), float or date-time; a name not
// declared is a string. A value is set once by name and reaches every
// occurrence of the name; the declared size never cuts a value (a list of
// many comandas is passed whole). Values convert to the declared type when
// the statement runs (VariantError naming the parameter when they cannot).
#ifndef CONTA_PLATFORM_DB_STATEMENT_H_
#define CONTA_PLATFORM_DB_STATEMENT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conta/data_packet.h"
#include "conta/variant.h"
#include "platform/db/connection.h"
#include "platform/db/driver.h"

namespace conta::db {

class SqlStorage;

struct Parameter {
  std::string name;
  ParamType type = ParamType::String;
  int size = 16;  // declared, never enforced
  Variant value;  // Empty until set; Empty and Null bind as NULL
};

class Statement {
 public:
  Statement(Connection& connection, std::string name);
  virtual ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  const std::string& name() const { return name_; }
  Connection& connection() { return connection_; }

  // The text to run on every database (a statement without a SqlStorage).
  void setSql(std::string text);
  // The text run last, or set last.
  const std::string& sql() const { return text_; }

  void declareParameter(std::string name, ParamType type, int size = 16);
  // DatabaseError "<statement>: no parameter P_X" for a name the statement
  // neither declares nor uses.
  Parameter& parameter(std::string_view name);
  void setParameter(std::string_view name, Variant value) {
    parameter(name).value = std::move(value);
  }

 protected:
  friend class SqlStorage;
  // The parsed text for the connected database (opening the connection).
  const ParsedSql& prepare();
  std::vector<BoundParameter> boundParameters(const ParsedSql& sql) const;
  ResultSet run(const ExecuteOptions& options);

 private:
  Parameter* findParameter(std::string_view name);
  // Declares every name of `sql` not declared yet, as a string.
  void adoptParameters(const ParsedSql& sql);

  Connection& connection_;
  std::string name_;
  const SqlStorage* storage_ = nullptr;
  std::string text_;
  ParsedSql parsed_;
  std::optional<Dialect> parsed_for_;  // nullopt: parsed_ is stale
  std::vector<Parameter> parameters_;
};

// A statement that returns rows. open() runs it and holds every row (a static
// cursor); close() lets them go. Queries time out after 30 seconds unless
// told otherwise.
class Query : public Statement {
 public:
  Query(Connection& connection, std::string name);

  void setReadOnly(bool read_only) { read_only_ = read_only; }
  bool readOnly() const { return read_only_; }
  void setTimeout(int seconds) { timeout_seconds_ = seconds; }
  // Types for columns the engine leaves untyped (SQLite expression columns).
  void setColumnHints(std::vector<ColumnHint> hints) { hints_ = std::move(hints); }
  // Persistent fields: when set, the rows come out with exactly these fields
  // (names, types, widths, order), taken by name from the statement's columns
  // (a repeated column name counts as NAME_1, NAME_2...); a persistent field
  // missing from the result is a DatabaseError. They also type the columns
  // as hints do.
  void setPersistentFields(std::vector<Field> fields) { persistent_ = std::move(fields); }

  void open();  // nothing when already open
  void close();
  bool active() const { return active_; }
  // Runs the statement without opening the query (a query that only writes).
  std::int64_t execSql();

  const std::vector<Field>& fields() const;
  std::size_t recordCount() const;
  void first();
  void next();
  bool eof() const;
  // The current row's value of a column (name without regard to case).
  Variant value(std::string_view column) const;
  // Every row and field as a packet.
  DataPacket packet() const;

 private:
  void requireActive() const;

  bool read_only_ = false;
  int timeout_seconds_ = 30;
  std::vector<ColumnHint> hints_;
  std::vector<Field> persistent_;
  bool active_ = false;
  ResultSet result_;
  std::size_t cursor_ = 0;
};

// A statement that returns no rows; it runs without a time limit.
class Command : public Statement {
 public:
  Command(Connection& connection, std::string name);
  // Runs the statement; the number of rows it changed (-1 when unknown).
  std::int64_t execute();
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_STATEMENT_H_
