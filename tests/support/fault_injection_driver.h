// Database failures on cue, for tests: while a DatabaseFaults lives, every
// driver a Connection opens is wrapped in a driver that counts its calls
// (statements, the start and the commit of transactions) and makes the n-th
// call from the moment it is armed fail with a DatabaseError, as a server that
// refuses or goes away would. A failing commit rolls the transaction back
// first, as the server does. The count is over every wrapped connection.
#ifndef CONTA_TESTS_SUPPORT_FAULT_INJECTION_DRIVER_H_
#define CONTA_TESTS_SUPPORT_FAULT_INJECTION_DRIVER_H_

#include <cstdint>
#include <memory>

#include "platform/db/driver_decorator.h"

namespace conta::testing_support {

struct FaultCounter;

class DatabaseFaults {
 public:
  // Installs the wrapper for the connections opened from now on.
  DatabaseFaults();
  // Disarms and puts the decorator it replaced back; connections still open
  // keep their wrapper, which then only counts.
  ~DatabaseFaults();
  DatabaseFaults(const DatabaseFaults&) = delete;
  DatabaseFaults& operator=(const DatabaseFaults&) = delete;

  // Calls made through wrapped connections so far.
  [[nodiscard]] std::uint64_t calls() const;
  // Makes the n-th call from now fail (n >= 1); 0 disarms.
  void failCall(std::uint64_t n);

 private:
  std::shared_ptr<FaultCounter> counter_;
  db::DriverDecorator replaced_;
};

}  // namespace conta::testing_support

#endif  // CONTA_TESTS_SUPPORT_FAULT_INJECTION_DRIVER_H_
