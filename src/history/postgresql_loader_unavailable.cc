// The PostgreSQL loader where PostgreSQL's client library is not built in
// (the Windows tool): histories are written into SQLite there.
#include "history/loader.h"
#include "platform/db/database_error.h"

namespace conta::history {

std::unique_ptr<Loader> openPostgreSqlLoader(const std::string&, const std::string&) {
  throw db::DatabaseError(
      "this build writes store histories into SQLite only (PostgreSQL's client library is not "
      "built in)",
      "08001");
}

}  // namespace conta::history
