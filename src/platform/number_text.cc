#include "platform/number_text.h"

#include <atomic>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace conta::number_text {
namespace {

// 0 means: no override.
std::atomic<char> g_separator_override{0};

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Rewrites the exponent of to_chars/printf ("e-05", "e+20") the way the
// packets and the general format write it ("E-5", "E20").
std::string platformExponent(std::string text) {
  auto e = text.find_first_of("eE");
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  std::string_view exponent(text);
  exponent.remove_prefix(e + 1);
  bool negative = false;
  if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-')) {
    negative = exponent.front() == '-';
    exponent.remove_prefix(1);
  }
  while (exponent.size() > 1 && exponent.front() == '0')
    exponent.remove_prefix(1);
  return mantissa + (negative ? "E-" : "E") + std::string(exponent);
}

}  // namespace

char decimalSeparator() {
  char forced = g_separator_override.load(std::memory_order_relaxed);
  if (forced != 0) return forced;
  const std::lconv* conv = std::localeconv();
  if (conv != nullptr && conv->decimal_point != nullptr && conv->decimal_point[0] != '\0' &&
      conv->decimal_point[1] == '\0') {
    return conv->decimal_point[0];
  }
  return '.';
}

void setDecimalSeparatorOverride(std::optional<char> separator) {
  g_separator_override.store(separator.value_or('\0'), std::memory_order_relaxed);
}

std::string formatGeneral(double value, int precision, char separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  if (precision < 1) precision = 1;
  if (precision > 17) precision = 17;

  // Digits rounded to `precision` significant places, and the exponent of
  // the first digit.
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
  std::string_view text(buffer);
  bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  auto e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= precision || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) {
      out += separator;
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out += '0';
    out += separator;
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  auto integer_digits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= integer_digits) {
    out += digits;
    out.append(integer_digits - digits.size(), '0');
  } else {
    out += digits.substr(0, integer_digits);
    out += separator;
    out += digits.substr(integer_digits);
  }
  return out;
}

std::string formatShortest(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return platformExponent(std::string(buffer, result.ptr));
}

std::string formatShortestFixed(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  // Shortest digits first, then laid out without exponent.
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  auto e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  std::string out = negative ? "-" : "";
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    auto integer_digits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integer_digits) {
      out += digits;
      out.append(integer_digits - digits.size(), '0');
    } else {
      out += digits.substr(0, integer_digits);
      out += '.';
      out += digits.substr(integer_digits);
    }
  }
  return out;
}

std::optional<double> parseDecimal(std::string_view text, char separator) {
  text = trimBlanks(text);
  if (text.empty()) return std::nullopt;
  std::string normal;
  normal.reserve(text.size());
  std::size_t i = 0;
  if (text[0] == '+' || text[0] == '-') {
    if (text[0] == '-') normal += '-';
    i = 1;
  }
  bool digits = false;
  bool point = false;
  bool exponent = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      normal += c;
    } else if ((c == separator || c == '.') && !point && !exponent) {
      point = true;
      normal += '.';
    } else if ((c == 'e' || c == 'E') && digits && !exponent) {
      exponent = true;
      normal += 'e';
      if (i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-')) normal += text[++i];
      if (i + 1 >= text.size()) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  double value = 0;
  const char* begin = normal.data();
  const char* end = begin + normal.size();
  auto result = std::from_chars(begin, end, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Overflow is an error; an underflow reads as the nearest value (0).
    double huge = std::strtod(normal.c_str(), nullptr);
    if (std::isinf(huge)) return std::nullopt;
    return huge;
  }
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

std::optional<long long> parseInteger(std::string_view text) {
  text = trimBlanks(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace conta::number_text
