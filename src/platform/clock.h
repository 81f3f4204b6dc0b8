// The local clock, as the store's database records date-times (no zone).
#ifndef CONTA_PLATFORM_CLOCK_H_
#define CONTA_PLATFORM_CLOCK_H_

#include "conta/date_time.h"

namespace conta {

// The local date and time now, to the millisecond.
DateTime localNow();

}  // namespace conta

#endif  // CONTA_PLATFORM_CLOCK_H_
