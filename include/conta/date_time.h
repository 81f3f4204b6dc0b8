// A point in local time, to the millisecond, as the store's database and
// packets carry it (no time zone).
//
// Stored as milliseconds since 1899-12-30 00:00:00.000, the zero of the
// platform's date-time (day numbers with a fraction), on the proleptic
// Gregorian calendar. A time of day alone is a DateTime on that day zero.
#ifndef CONTA_DATE_TIME_H_
#define CONTA_DATE_TIME_H_

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "conta/export.h"

namespace conta {

class CONTA_EXPORT DateTime {
 public:
  struct Parts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
  };

  static constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

  constexpr DateTime() = default;

  // Throws VariantError when a part is out of range (month 13, 31 April...).
  static DateTime fromParts(const Parts& parts);
  static DateTime fromDate(int year, int month, int day) {
    return fromParts({year, month, day, 0, 0, 0, 0});
  }
  static constexpr DateTime fromMilliseconds(std::int64_t milliseconds) {
    DateTime t;
    t.milliseconds_ = milliseconds;
    return t;
  }
  // The platform's day number with fraction (1.5 = 1899-12-31 12:00), rounded
  // to the millisecond. Throws VariantError for NaN or values out of range.
  static DateTime fromPlatformDays(double days);
  // Accepts "yyyy-mm-dd", "yyyy-mm-ddThh:nn[:ss[.zzz]]" (also with a blank
  // in place of the T); nullopt for anything else.
  static std::optional<DateTime> parseIso(std::string_view text);

  constexpr std::int64_t milliseconds() const { return milliseconds_; }
  double platformDays() const;
  Parts parts() const;
  // Days since 0001-01-01, counting that day as 1 (the binary packet's DATE).
  std::int64_t dayNumberFromYearOne() const;
  // Milliseconds since the day began.
  std::int64_t millisecondOfDay() const;

  // "2024-03-15T14:30:05.123"
  std::string iso() const;
  // "2024-03-15", or "2024-03-15 14:30:05", with ".123" when there are
  // milliseconds: the text a variant conversion gives.
  std::string text() const;

  constexpr auto operator<=>(const DateTime&) const = default;

 private:
  std::int64_t milliseconds_ = 0;
};

}  // namespace conta

#endif  // CONTA_DATE_TIME_H_
