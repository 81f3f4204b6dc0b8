#include "support/xol_corvana.h"

#include "support/decimal_cut.h"

namespace Xol_corvana {

std::string ADOExceptionMessage(std::exception_ptr failure, conta::db::Connection&,
                                const std::string&) {
  try {
    if (failure) std::rethrow_exception(failure);
    return "unknown failure";
  } catch (const std::exception& e) {
    // An empty text would read as success: a failure always says something.
    return *e.what() != '\0' ? e.what() : "unknown failure";
  } catch (...) {
    return "unknown failure";
  }
}

double Trunc2(double value) {
  long double units = conta::support::decimalUnits(value, 2, conta::support::Cut::TowardZero);
  // A whole number of cents divided in double precision gives the double
  // nearest the decimal value (one rounding only).
  return static_cast<double>(units) / 100.0;
}

}  // namespace Xol_corvana
