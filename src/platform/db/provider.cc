#include "platform/db/provider.h"

#include "platform/db/database_error.h"

namespace conta::db {

DataPacket Provider::data() {
  if (query_ == nullptr) throw DatabaseError("a provider without a query has no data");
  if (query_->active()) return query_->packet();
  query_->open();
  try {
    DataPacket packet = query_->packet();
    query_->close();
    return packet;
  } catch (...) {
    query_->close();
    throw;
  }
}

}  // namespace conta::db
