#include "platform/clock.h"

#include <chrono>
#include <ctime>

#include "platform/os/process.h"

namespace conta {

DateTime localNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millisecond =
      static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  const std::tm local = os::localTime(seconds);
  return DateTime::fromParts({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec < 60 ? local.tm_sec : 59, millisecond});
}

}  // namespace conta
