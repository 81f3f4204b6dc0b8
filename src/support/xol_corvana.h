// Error texts of database failures, and the cut to two decimals.
#ifndef CONTA_SUPPORT_XOL_CORVANA_H_
#define CONTA_SUPPORT_XOL_CORVANA_H_

#include <exception>
#include <string>

#include "platform/db/connection.h"

namespace Xol_corvana {

// The text of a caught failure: the engine's message with its SQLSTATE for
// a database error, the message of any other exception, and a plain "unknown
// failure" for anything that is no exception.
std::string ADOExceptionMessage(std::exception_ptr failure, conta::db::Connection& connection,
                                const std::string& extra);

// Cuts a value to two decimals the way a person reads it: towards zero, on
// the decimal value the double stands for. Binary noise below the 9th
// significant digit (0.7 × 3 = 2.0999999999999996) never moves the cut:
// 2.999 → 2.99, -1.239 → -1.23, 0.7 × 3 → 2.10, 1.15 → 1.15.
double Trunc2(double value);

}  // namespace Xol_corvana

#endif  // CONTA_SUPPORT_XOL_CORVANA_H_
