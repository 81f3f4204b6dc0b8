// The postgresql driver: opens a connection for a parsed connection string.
#ifndef CONTA_PLATFORM_DB_POSTGRESQL_CONNECTION_H_
#define CONTA_PLATFORM_DB_POSTGRESQL_CONNECTION_H_

#include <memory>

#include "platform/db/connection_string.h"
#include "platform/db/driver.h"

namespace conta::db {

// Throws DatabaseError when the database cannot be reached.
[[nodiscard]] std::unique_ptr<DriverConnection> openPostgreSql(const ConnectionTarget& target);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_POSTGRESQL_CONNECTION_H_
