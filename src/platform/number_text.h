// Numbers as text: the general format of variant conversions, the shortest
// exact form of packets, and parsing with either decimal separator.
#ifndef CONTA_PLATFORM_NUMBER_TEXT_H_
#define CONTA_PLATFORM_NUMBER_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

namespace conta::number_text {

// The decimal separator of number/text conversions: the override when one is
// set, else the separator of the process's C locale (LC_NUMERIC).
char decimalSeparator();
// Tests and hosts may fix the separator; nullopt returns to the locale's.
void setDecimalSeparatorOverride(std::optional<char> separator);

// The general format with `precision` significant digits: fixed notation
// while the value is at least 1E-4 and has at most `precision` integer
// digits, else scientific ("1.5E-5", "1E15"); no trailing zeros; "0" for
// zero; "NAN", "INF", "-INF" for non-finite values.
std::string formatGeneral(double value, int precision = 15, char separator = decimalSeparator());

// The shortest text that reads back to the same double, with '.' and an
// exponent written as the packets write it ("1.5E-5", "1E20", "-0").
std::string formatShortest(double value);

// The shortest exact text in fixed notation, never with an exponent
// ("0.00001", "123.45", "100").
std::string formatShortestFixed(double value);

// Reads a decimal number: optional blanks around it, an optional sign,
// digits with `separator` or '.' as decimal separator, an optional exponent.
// nullopt for anything else (no thousands separators, no "inf"/"nan").
std::optional<double> parseDecimal(std::string_view text, char separator = decimalSeparator());

// Reads an integer: optional blanks and sign, decimal digits, no overflow.
std::optional<long long> parseInteger(std::string_view text);

}  // namespace conta::number_text

#endif  // CONTA_PLATFORM_NUMBER_TEXT_H_
