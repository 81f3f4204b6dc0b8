// Provider: all rows and columns of a query as one data packet. It opens a
// closed query itself and closes it again afterwards; an open query is
// packed as it stands, without being run again.
#ifndef CONTA_PLATFORM_DB_PROVIDER_H_
#define CONTA_PLATFORM_DB_PROVIDER_H_

#include "conta/data_packet.h"
#include "platform/db/statement.h"

namespace conta::db {

class Provider {
 public:
  Provider() = default;
  explicit Provider(Query& query) : query_(&query) {}
  // Links the query to pack (a provider may be made before its query).
  void setDataSet(Query& query) { query_ = &query; }

  // DatabaseError when no query is linked.
  [[nodiscard]] DataPacket data();

 private:
  Query* query_ = nullptr;
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_PROVIDER_H_
