// The time spent waiting on the database: every statement, transaction
// boundary and connection attempt of every Connection adds its wall time
// here. Benchmarks read it before and after a bill to tell the time the
// database took from the time the module spent on its own.
#ifndef CONTA_PLATFORM_DB_DATABASE_TIME_H_
#define CONTA_PLATFORM_DB_DATABASE_TIME_H_

#include <chrono>
#include <cstdint>

namespace conta::db {

// Total since the process started, over all threads.
[[nodiscard]] std::chrono::nanoseconds timeInDatabase();

// Statements run since the process started, over all threads.
[[nodiscard]] std::uint64_t statementsRun();
void countStatement();

// Adds its own lifetime to timeInDatabase().
class DatabaseTimer {
 public:
  DatabaseTimer() : start_(std::chrono::steady_clock::now()) {}
  ~DatabaseTimer();
  DatabaseTimer(const DatabaseTimer&) = delete;
  DatabaseTimer& operator=(const DatabaseTimer&) = delete;

 private:
  std::chrono::steady_clock::time_point start_;
};

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_DATABASE_TIME_H_
