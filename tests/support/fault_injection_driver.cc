#include "support/fault_injection_driver.h"

#include <atomic>
#include <string>
#include <utility>

#include "platform/db/database_error.h"

namespace conta::testing_support {

// Shared by the DatabaseFaults and every driver it wrapped, which may outlive
// it (the data module keeps its connection open across tests).
struct FaultCounter {
  std::atomic<std::uint64_t> calls{0};
  // The number of the call to fail; 0 when none is.
  std::atomic<std::uint64_t> failing{0};

  // Counts a call; throws the injected error when it is the one armed (and
  // disarms). `what` names the call in the message.
  void count(const std::string& what) {
    const std::uint64_t number = ++calls;
    std::uint64_t armed = failing.load();
    if (armed != number || !failing.compare_exchange_strong(armed, 0)) return;
    throw db::DatabaseError(
        "injected failure of database call " + std::to_string(number) + " (" + what + ")", "58030");
  }
};

namespace {

class FaultInjectionDriver final : public db::DriverConnection {
 public:
  FaultInjectionDriver(std::unique_ptr<db::DriverConnection> real,
                       std::shared_ptr<FaultCounter> counter)
      : real_(std::move(real)), counter_(std::move(counter)) {}

  db::Dialect dialect() const override { return real_->dialect(); }
  bool alive() override { return real_->alive(); }

  void begin() override {
    counter_->count("begin");
    real_->begin();
  }
  void commit() override {
    try {
      counter_->count("commit");
    } catch (const db::DatabaseError&) {
      real_->rollback();
      throw;
    }
    real_->commit();
  }
  void rollback() override { real_->rollback(); }
  bool inTransaction() override { return real_->inTransaction(); }

  db::ResultSet execute(const db::ParsedSql& sql, const std::vector<db::BoundParameter>& parameters,
                        const db::ExecuteOptions& options) override {
    counter_->count(sql.pieces.empty() ? std::string() : sql.pieces.front().substr(0, 40));
    return real_->execute(sql, parameters, options);
  }

 private:
  std::unique_ptr<db::DriverConnection> real_;
  std::shared_ptr<FaultCounter> counter_;
};

}  // namespace

DatabaseFaults::DatabaseFaults() : counter_(std::make_shared<FaultCounter>()) {
  replaced_ = db::setDriverDecorator(
      [counter = counter_](
          std::unique_ptr<db::DriverConnection> real) -> std::unique_ptr<db::DriverConnection> {
        return std::make_unique<FaultInjectionDriver>(std::move(real), counter);
      });
}

DatabaseFaults::~DatabaseFaults() {
  failCall(0);
  db::setDriverDecorator(std::move(replaced_));
}

std::uint64_t DatabaseFaults::calls() const {
  return counter_->calls.load();
}

void DatabaseFaults::failCall(std::uint64_t n) {
  counter_->failing.store(n == 0 ? 0 : counter_->calls.load() + n);
}

}  // namespace conta::testing_support
