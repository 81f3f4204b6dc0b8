// Connection: the store database as the data module holds it. It opens from
// a connection string (fetched by the beforeConnect hook each time it is
// about to open), runs statements for queries and commands, and begins,
// commits and rolls back transactions.
//
// A statement run on a closed connection opens it first. When the driver
// finds the link broken, the connection counts as closed, so the next open()
// connects again. Not thread-safe: one caller at a time.
#ifndef CONTA_PLATFORM_DB_CONNECTION_H_
#define CONTA_PLATFORM_DB_CONNECTION_H_

#include <functional>
#include <memory>
#include <string>

#include "platform/db/connection_string.h"
#include "platform/db/database_error.h"
#include "platform/db/driver.h"

namespace conta::db {

class Connection {
 public:
  explicit Connection(std::string name = "Connection");
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& name() const { return name_; }

  void setConnectionString(std::string text) { connection_string_ = std::move(text); }
  const std::string& connectionString() const { return connection_string_; }

  // Runs before every attempt to open; may set the connection string.
  std::function<void(Connection&)> beforeConnect;

  // Opens the connection unless it is open and alive. Throws DatabaseError
  // (the engine's message, never the password); the connection stays closed.
  void open();
  void close();
  bool connected();

  // The dialect of the database reached. DatabaseError when closed.
  [[nodiscard]] Dialect dialect() const;

  // Begins a transaction. A transaction already open is the caller's fault
  // (callers test inTransaction() first): DatabaseError.
  void beginTransaction();
  // Commit and roll back need an open transaction: DatabaseError otherwise.
  void commit();
  void rollback();
  bool inTransaction();

  // Runs one statement (opening the connection when closed).
  ResultSet execute(const ParsedSql& sql, const std::vector<BoundParameter>& parameters,
                    const ExecuteOptions& options);

 private:
  DriverConnection& driver();
  [[noreturn]] void rethrow(const DatabaseError& error);

  std::string name_;
  std::string connection_string_;
  std::string password_;  // of the open connection, kept out of messages
  std::unique_ptr<DriverConnection> driver_;
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_CONNECTION_H_
