#include "conta/date_time.h"

#include <cmath>
#include <cstdio>

#include "conta/error.h"

namespace conta {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back
// (H. Hinnant's civil-date algorithms).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
  std::int64_t year;
  unsigned month, day;
};

constexpr Civil civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

// 1899-12-30, the zero of the platform's day numbers.
constexpr std::int64_t kPlatformEpochFromUnix = daysFromCivil(1899, 12, 30);
// 0001-01-01 is day 1 of the binary packet's DATE.
constexpr std::int64_t kYearOneFromUnix = daysFromCivil(1, 1, 1);

bool isLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Reads exactly `count` digits at `pos`.
bool readDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += count;
  return true;
}

}  // namespace

DateTime DateTime::fromParts(const Parts& p) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > daysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.millisecond < 0 || p.millisecond > 999) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d is not a valid date-time",
                  p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond);
    throw VariantError(text);
  }
  std::int64_t days =
      daysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
      kPlatformEpochFromUnix;
  std::int64_t ms =
      ((static_cast<std::int64_t>(p.hour) * 60 + p.minute) * 60 + p.second) * 1000 + p.millisecond;
  return fromMilliseconds(days * kMillisecondsPerDay + ms);
}

DateTime DateTime::fromPlatformDays(double days) {
  // 10000-01-01 lies 2958466 days after the zero; stay well inside int64.
  if (!std::isfinite(days) || days < -700000.0 || days > 2958466.0) {
    throw VariantError("the day number " + std::to_string(days) + " is not a valid date-time");
  }
  return fromMilliseconds(static_cast<std::int64_t>(std::llround(days * kMillisecondsPerDay)));
}

std::optional<DateTime> DateTime::parseIso(std::string_view text) {
  Parts p;
  std::size_t pos = 0;
  if (!readDigits(text, pos, 4, p.year) || pos >= text.size() || text[pos++] != '-' ||
      !readDigits(text, pos, 2, p.month) || pos >= text.size() || text[pos++] != '-' ||
      !readDigits(text, pos, 2, p.day)) {
    return std::nullopt;
  }
  if (pos < text.size()) {
    if (text[pos] != 'T' && text[pos] != ' ') return std::nullopt;
    ++pos;
    if (!readDigits(text, pos, 2, p.hour) || pos >= text.size() || text[pos++] != ':' ||
        !readDigits(text, pos, 2, p.minute)) {
      return std::nullopt;
    }
    if (pos < text.size()) {
      if (text[pos++] != ':' || !readDigits(text, pos, 2, p.second)) return std::nullopt;
      if (pos < text.size()) {
        if (text[pos++] != '.') return std::nullopt;
        std::size_t start = pos;
        int fraction = 0;
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
          if (digits < 3) fraction = fraction * 10 + (text[pos] - '0'), ++digits;
          ++pos;
        }
        if (pos == start || pos != text.size()) return std::nullopt;
        while (digits < 3)
          fraction *= 10, ++digits;
        p.millisecond = fraction;
      }
    }
  }
  try {
    return fromParts(p);
  } catch (const VariantError&) {
    return std::nullopt;
  }
}

double DateTime::platformDays() const {
  return static_cast<double>(milliseconds_) / static_cast<double>(kMillisecondsPerDay);
}

DateTime::Parts DateTime::parts() const {
  std::int64_t days = floorDiv(milliseconds_, kMillisecondsPerDay);
  std::int64_t ms = milliseconds_ - days * kMillisecondsPerDay;
  Civil c = civilFromDays(days + kPlatformEpochFromUnix);
  Parts p;
  p.year = static_cast<int>(c.year);
  p.month = static_cast<int>(c.month);
  p.day = static_cast<int>(c.day);
  p.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  p.second = static_cast<int>(ms % 60);
  ms /= 60;
  p.minute = static_cast<int>(ms % 60);
  p.hour = static_cast<int>(ms / 60);
  return p;
}

std::int64_t DateTime::dayNumberFromYearOne() const {
  return floorDiv(milliseconds_, kMillisecondsPerDay) + kPlatformEpochFromUnix - kYearOneFromUnix +
         1;
}

std::int64_t DateTime::millisecondOfDay() const {
  return milliseconds_ - floorDiv(milliseconds_, kMillisecondsPerDay) * kMillisecondsPerDay;
}

std::string DateTime::iso() const {
  Parts p = parts();
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.millisecond);
  return text;
}

std::string DateTime::text() const {
  Parts p = parts();
  char out[40];
  if (millisecondOfDay() == 0) {
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", p.year, p.month, p.day);
  } else if (p.millisecond == 0) {
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
  } else {
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second, p.millisecond);
  }
  return out;
}

}  // namespace conta
