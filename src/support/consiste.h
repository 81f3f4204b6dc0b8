// Small helpers of the support package: rounding, empty-text test, fixed
// widths, inline choice.
#ifndef CONTA_SUPPORT_CONSISTE_H_
#define CONTA_SUPPORT_CONSISTE_H_

#include <string>

#include "conta/variant.h"

namespace Consiste {

// Rounds to `decimals` places, halves away from zero, on the decimal value
// the double stands for (7.775 → 7.78, though its double lies just below).
double RoundDec(long double value, int decimals);

// True when the text holds nothing but blanks.
bool EmptyString(const std::string& text);

// The text at `width` characters, filled with zeros on the left ("1" → "01"
// at width 2); a longer text is returned whole.
std::string Ajusta(const std::string& text, int width);

// `when_true` when the condition holds, else `when_false`.
conta::Variant iif(bool condition, const conta::Variant& when_true,
                   const conta::Variant& when_false);

}  // namespace Consiste

#endif  // CONTA_SUPPORT_CONSISTE_H_
