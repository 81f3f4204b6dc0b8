#include "support/consiste.h"

#include <cmath>

#include "support/decimal_cut.h"

namespace Consiste {

double RoundDec(long double value, int decimals) {
  long double units =
      conta::support::decimalUnits(value, decimals, conta::support::Cut::HalfAwayFromZero);
  return static_cast<double>(units) / std::pow(10.0, decimals);
}

bool EmptyString(const std::string& text) {
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

std::string Ajusta(const std::string& text, int width) {
  if (width <= 0 || static_cast<int>(text.size()) >= width) return text;
  return std::string(static_cast<std::size_t>(width) - text.size(), '0') + text;
}

conta::Variant iif(bool condition, const conta::Variant& when_true,
                   const conta::Variant& when_false) {
  return condition ? when_true : when_false;
}

}  // namespace Consiste
