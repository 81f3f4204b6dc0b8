// The sqlite driver: opens a connection for a parsed connection string.
#ifndef CONTA_PLATFORM_DB_SQLITE_CONNECTION_H_
#define CONTA_PLATFORM_DB_SQLITE_CONNECTION_H_

#include <memory>
#include <string>

#include "platform/db/connection_string.h"
#include "platform/db/driver.h"

namespace conta::db {

// Throws DatabaseError when the database cannot be reached.
[[nodiscard]] std::unique_ptr<DriverConnection> openSqlite(const ConnectionTarget& target);

// Creates an empty SQLite database file (for demo and test stores: the
// module itself never creates the store's database). DatabaseError when the
// file exists or cannot be made.
void createSqliteDatabase(const std::string& path);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_SQLITE_CONNECTION_H_
