#include "platform/db/database_time.h"

#include <atomic>
#include <cstdint>

namespace conta::db {
namespace {

std::atomic<std::int64_t> total_nanoseconds{0};
std::atomic<std::uint64_t> statements{0};

}  // namespace

std::chrono::nanoseconds timeInDatabase() {
  return std::chrono::nanoseconds(total_nanoseconds.load(std::memory_order_relaxed));
}

std::uint64_t statementsRun() {
  return statements.load(std::memory_order_relaxed);
}

void countStatement() {
  statements.fetch_add(1, std::memory_order_relaxed);
}

DatabaseTimer::~DatabaseTimer() {
  const auto spent = std::chrono::steady_clock::now() - start_;
  total_nanoseconds.fetch_add(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count(),
                              std::memory_order_relaxed);
}

}  // namespace conta::db
