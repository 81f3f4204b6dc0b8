// A decorator for the drivers the Connections of the process open: given the
// driver connection just opened, it returns the one the Connection is to use,
// the same or a wrapper that forwards to it (and may watch or disturb its
// calls, as a test double that fails the n-th call does). The library
// installs none; the drivers are then used as they open.
#ifndef CONTA_PLATFORM_DB_DRIVER_DECORATOR_H_
#define CONTA_PLATFORM_DB_DRIVER_DECORATOR_H_

#include <functional>
#include <memory>

#include "platform/db/driver.h"

namespace conta::db {

using DriverDecorator =
    std::function<std::unique_ptr<DriverConnection>(std::unique_ptr<DriverConnection>)>;

// Decorates every driver opened from now on (an empty decorator: none);
// drivers already open keep what they have. Returns the decorator it
// replaces, so that the caller can put it back. Thread-safe.
DriverDecorator setDriverDecorator(DriverDecorator decorator);

// `driver` as the installed decorator makes it.
[[nodiscard]] std::unique_ptr<DriverConnection> decorateDriver(
    std::unique_ptr<DriverConnection> driver);

}  // namespace conta::db

#endif  // CONTA_PLATFORM_DB_DRIVER_DECORATOR_H_
