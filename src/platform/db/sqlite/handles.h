// SQLite's native handles, each owned by a unique_ptr that closes it: the
// driver and the history loader hold their databases and statements so.
#ifndef CONTA_PLATFORM_DB_SQLITE_HANDLES_H_
#define CONTA_PLATFORM_DB_SQLITE_HANDLES_H_

#include <sqlite3.h>

#include <memory>

namespace conta::db::sqlite {

struct DatabaseCloser {
  // Closes once the last statement is finalized, whatever the order.
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using DatabasePtr = std::unique_ptr<sqlite3, DatabaseCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

}  // namespace conta::db::sqlite

#endif  // CONTA_PLATFORM_DB_SQLITE_HANDLES_H_
