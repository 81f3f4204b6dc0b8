// The PostgreSQL driver where PostgreSQL's client library is not built in
// (the Windows DLL): such stores are reached through ODBC.
#include "platform/db/database_error.h"
#include "platform/db/postgresql/connection.h"

namespace conta::db {

std::unique_ptr<DriverConnection> openPostgreSql(const ConnectionTarget&) {
  throw DatabaseError(
      "this build reaches PostgreSQL through ODBC: use a connection string such as "
      "odbc:DRIVER={PostgreSQL Unicode};SERVER=host;PORT=5432;DATABASE=name;UID=user;PWD=...",
      "08001");
}

}  // namespace conta::db
