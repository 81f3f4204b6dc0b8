// The decimal value a double stands for, counted in units of 10^-decimals:
// the shared ground of Trunc2 and RoundDec.
#ifndef CONTA_SUPPORT_DECIMAL_CUT_H_
#define CONTA_SUPPORT_DECIMAL_CUT_H_

namespace conta::support {

enum class Cut { TowardZero, HalfAwayFromZero };

// value × 10^decimals, made whole by `cut`, treating any difference below
// half a unit of the value's 9th significant digit (capped at 10^-6) as
// binary noise around the nearest whole or half unit.
long double decimalUnits(long double value, int decimals, Cut cut);

}  // namespace conta::support

#endif  // CONTA_SUPPORT_DECIMAL_CUT_H_
