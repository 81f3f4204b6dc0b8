#include "support/decimal_cut.h"

#include <cmath>

namespace conta::support {

long double decimalUnits(long double value, int decimals, Cut cut) {
  if (!std::isfinite(value) || value == 0) return value;
  const long double scale = std::pow(10.0L, decimals);
  const long double magnitude = std::fabs(value);
  // Half a unit of the 9th significant digit of the value: noise smaller
  // than that is the binary representation's, not the money's. The cap keeps
  // large amounts from losing real cents.
  long double noise = 0.5L * std::pow(10.0L, std::floor(std::log10(magnitude)) - 8);
  if (noise > 1e-6L) noise = 1e-6L;
  const long double units = magnitude * scale;
  const long double tolerance = noise * scale;

  long double whole = std::floor(units);
  long double fraction = units - whole;
  if (cut == Cut::TowardZero) {
    if (1 - fraction <= tolerance) whole += 1;  // 209.99999999999997 is 210
  } else {
    if (fraction >= 0.5L - tolerance) whole += 1;  // 777.4999999999999 is a half
  }
  return std::copysign(whole, value);
}

}  // namespace conta::support
