// libpq's native handles, each owned by a unique_ptr that frees it: the
// driver and the history loader hold their connections and results so.
#ifndef CONTA_PLATFORM_DB_POSTGRESQL_HANDLES_H_
#define CONTA_PLATFORM_DB_POSTGRESQL_HANDLES_H_

#include <libpq-fe.h>

#include <memory>

namespace conta::db::postgresql {

struct ConnectionCloser {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
struct CancelFreer {
  void operator()(PGcancel* cancel) const { PQfreeCancel(cancel); }
};

using ConnectionPtr = std::unique_ptr<PGconn, ConnectionCloser>;
using ResultPtr = std::unique_ptr<PGresult, ResultClearer>;
// What it takes to ask the server to cancel a connection's statement.
using CancelPtr = std::unique_ptr<PGcancel, CancelFreer>;

}  // namespace conta::db::postgresql

#endif  // CONTA_PLATFORM_DB_POSTGRESQL_HANDLES_H_
