// Queries and commands: one SQL text (or one per dialect, the connected
// database's chosen when the statement runs) with named parameters, run on a
// Connection.
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

  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] Connection& connection() { return connection_; }

  // The text to run on every database.
  void setSql(std::string text);
  // A text per dialect: each run takes the connected database's (opening the
  // connection to learn which), a DatabaseError naming the dialect when that
  // text is empty. The parameters of every text are known at once, before
  // the database is. Replaces the texts or the text set before; the next run
  // takes the new ones.
  void setTexts(DialectTexts texts);
  // The text run last, or set last by setSql.
  [[nodiscard]] const std::string& sql() const { return text_; }

  void declareParameter(std::string name, ParamType type, int size = 16);
  // DatabaseError "<statement>: no parameter P_X" for a name the statement
  // neither declares nor uses.
  [[nodiscard]] Parameter& parameter(std::string_view name);
  void setParameter(std::string_view name, Variant value) {
    parameter(name).value = std::move(value);
  }

 protected:
  [[nodiscard]] ResultSet run(const ExecuteOptions& options);

 private:
  // The parsed text for the connected database (opening the connection when
  // the statement has a text per dialect).
  const ParsedSql& prepare();
  [[nodiscard]] std::vector<BoundParameter> boundParameters(const ParsedSql& sql) const;
  Parameter* findParameter(std::string_view name);
  const Parameter* findParameter(std::string_view name) const;
  // Declares every name of `sql` not declared yet, as a string.
  void adoptParameters(const ParsedSql& sql);

  Connection& connection_;
  std::string name_;
  // Set by setTexts; nullopt when text_ is the one text for every database.
  std::optional<DialectTexts> dialect_texts_;
  std::string text_;
  ParsedSql parsed_;
  // The dialect whose text parsed_ holds; nullopt: to be chosen at the next
  // run (a statement with a text per dialect).
  std::optional<Dialect> parsed_for_;
  std::vector<Parameter> parameters_;
};

// A statement that returns rows. open() runs it and holds every row (a static
// cursor); close() lets them go.
//
// A query runs for at most its time-out, 30 seconds unless setTimeout says
// otherwise, then fails with a DatabaseError of SQLSTATE 57014 saying so.
// SQLite interrupts it and PostgreSQL cancels it on the server: the
// connection stays usable, and a transaction the query ran in is to be
// rolled back (SQLite may have rolled it back already). Through ODBC the
// ODBC driver keeps the time-out (psqlODBC as a server statement_timeout);
// a driver that has none, as the SQLite ODBC driver, runs the statement
// without one. A wait for another connection's lock ends after
// kLockWaitSeconds, before the default time-out, with the lock's own error.
class Query : public Statement {
 public:
  Query(Connection& connection, std::string name);

  static constexpr int kDefaultTimeoutSeconds = 30;

  // Seconds; 0: no limit.
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
  [[nodiscard]] bool active() const { return active_; }
  // Runs the statement without opening the query (a query that only writes);
  // the number of rows it changed (-1 when unknown).
  std::int64_t execSql();

  [[nodiscard]] const std::vector<Field>& fields() const;
  [[nodiscard]] std::size_t recordCount() const;
  void first();
  void next();
  [[nodiscard]] bool eof() const;
  // The current row's value of a column (name without regard to case).
  [[nodiscard]] Variant value(std::string_view column) const;
  // Every row and field as a packet.
  [[nodiscard]] DataPacket packet() const;

 private:
  void requireActive() const;

  int timeout_seconds_ = kDefaultTimeoutSeconds;
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
