#include "platform/db/connection.h"

#include <chrono>

#include "platform/db/database_error.h"
#include "platform/db/database_time.h"
#include "platform/db/driver_decorator.h"
#include "platform/db/odbc/connection.h"
#include "platform/db/postgresql/connection.h"
#include "platform/db/sqlite/connection.h"
#include "platform/db/statement_trace.h"
#include "platform/host_directory.h"

namespace conta::db {

Connection::Connection(std::string name) : name_(std::move(name)) {}

Connection::~Connection() = default;

void Connection::open() {
  DatabaseTimer timer;
  if (driver_ != nullptr && driver_->alive()) return;
  driver_.reset();
  if (beforeConnect) beforeConnect(*this);
  ConnectionTarget target = parseConnectionString(connection_string_, hostDirectory());
  password_ = target.password;
  try {
    std::unique_ptr<DriverConnection> opened;
    switch (target.driver) {
      case DriverKind::Sqlite:
        opened = openSqlite(target);
        break;
      case DriverKind::PostgreSql:
        opened = openPostgreSql(target);
        break;
      case DriverKind::Odbc:
        opened = openOdbc(target);
        break;
    }
    driver_ = decorateDriver(std::move(opened));
  } catch (const DatabaseError& e) {
    rethrow(e);
  }
}

void Connection::close() {
  driver_.reset();
}

bool Connection::connected() {
  return driver_ != nullptr && driver_->alive();
}

Dialect Connection::dialect() const {
  if (driver_ == nullptr) throw DatabaseError(name_ + ": the connection is not open");
  return driver_->dialect();
}

DriverConnection& Connection::driver() {
  if (!connected()) open();
  return *driver_;
}

void Connection::rethrow(const DatabaseError& error) {
  throw DatabaseError(withoutPassword(error.message(), password_), error.sqlstate(),
                      error.nativeCode());
}

void Connection::beginTransaction() {
  DriverConnection& d = driver();
  if (d.inTransaction()) {
    throw DatabaseError(name_ + ": a transaction is already open; it is joined, not nested");
  }
  DatabaseTimer timer;
  try {
    d.begin();
  } catch (const DatabaseError& e) {
    rethrow(e);
  }
}

void Connection::commit() {
  if (!inTransaction()) throw DatabaseError(name_ + ": there is no open transaction to commit");
  DatabaseTimer timer;
  try {
    driver_->commit();
  } catch (const DatabaseError& e) {
    rethrow(e);
  }
}

void Connection::rollback() {
  if (!inTransaction()) throw DatabaseError(name_ + ": there is no open transaction to roll back");
  DatabaseTimer timer;
  try {
    driver_->rollback();
  } catch (const DatabaseError& e) {
    rethrow(e);
  }
}

bool Connection::inTransaction() {
  return driver_ != nullptr && driver_->inTransaction();
}

namespace {

// A text holding a NUL is refused before it reaches any engine: PostgreSQL
// and the ODBC drivers take a text up to its first NUL, SQLite's text
// functions stop there, so a statement would silently run on a shorter value
// than the one it was given.
void refuseNulCharacters(const ParsedSql& sql, const std::vector<BoundParameter>& parameters) {
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const Variant& value = parameters[i].value;
    if (parameters[i].type != ParamType::String || !value.isText()) continue;
    if (value.text().find('\0') == std::string::npos) continue;
    const std::string name = i < sql.names.size() ? sql.names[i] : std::to_string(i + 1);
    throw DatabaseError(
        "The parameter " + name + " holds a NUL character, which a database text cannot carry",
        "22021");
  }
}

}  // namespace

ResultSet Connection::execute(const ParsedSql& sql, const std::vector<BoundParameter>& parameters,
                              const ExecuteOptions& options) {
  refuseNulCharacters(sql, parameters);
  DriverConnection& d = driver();
  DatabaseTimer timer;
  countStatement();
  try {
    if (!statementTraceOn()) return d.execute(sql, parameters, options);
    const auto start = std::chrono::steady_clock::now();
    ResultSet result = d.execute(sql, parameters, options);
    traceStatement(
        d.dialect(), options.name,
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
        result);
    return result;
  } catch (const DatabaseError& e) {
    rethrow(e);
  }
}

}  // namespace conta::db
