#include "platform/db/fault_injection.h"

#include <atomic>

#include "platform/db/database_error.h"

namespace conta::db {
namespace {

std::atomic<std::uint64_t> calls{0};
// The number of the call to fail; 0 when none is.
std::atomic<std::uint64_t> failing{0};

}  // namespace

std::uint64_t databaseCalls() {
  return calls.load();
}

void failDatabaseCall(std::uint64_t n) {
  failing.store(n == 0 ? 0 : calls.load() + n);
}

void countDatabaseCall(const std::string& what) {
  const std::uint64_t number = ++calls;
  std::uint64_t armed = failing.load(std::memory_order_relaxed);
  if (armed != number || !failing.compare_exchange_strong(armed, 0)) return;
  throw DatabaseError("injected failure of database call " + std::to_string(number) + " (" +
                          what + ")",
                      "58030");
}

}  // namespace conta::db
