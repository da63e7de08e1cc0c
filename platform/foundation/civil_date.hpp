#pragma once

#include <chrono>
#include <cstdint>

namespace foundation {

// A proleptic-Gregorian calendar date, the calendar of ISO 8601 time stamps, in UTC: no time
// zone and no C library range. The arithmetic is C++20 <chrono>'s, exact for years -32767 to
// 32767.
struct CivilDate {
  int year = 1970;
  unsigned month = 1;
  unsigned day = 1;
  friend bool operator==(const CivilDate&, const CivilDate&) = default;

  constexpr std::chrono::year_month_day chrono() const {
    return std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day};
  }
  // A real day of its month: 2024-02-29 is, 1900-02-29 and 2026-13-01 are not.
  constexpr bool isValid() const { return chrono().ok(); }
  // Days since 1970-01-01 (negative before it).
  constexpr std::int64_t daysSinceUnixEpoch() const {
    return std::chrono::sys_days{chrono()}.time_since_epoch().count();
  }
  static constexpr CivilDate fromDaysSinceUnixEpoch(std::int64_t days) {
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
    return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day())};
  }
};

}  // namespace foundation
