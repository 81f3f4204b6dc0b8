#include "platform/db/driver_decorator.h"

#include <mutex>
#include <utility>

namespace conta::db {
namespace {

std::mutex decorator_mutex;
DriverDecorator installed;  // guarded by decorator_mutex

}  // namespace

DriverDecorator setDriverDecorator(DriverDecorator decorator) {
  std::lock_guard lock(decorator_mutex);
  return std::exchange(installed, std::move(decorator));
}

std::unique_ptr<DriverConnection> decorateDriver(std::unique_ptr<DriverConnection> driver) {
  DriverDecorator decorator;
  {
    std::lock_guard lock(decorator_mutex);
    decorator = installed;
  }
  return decorator ? decorator(std::move(driver)) : std::move(driver);
}

}  // namespace conta::db
