#include "foundation/property_list/iso8601_date_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "foundation/civil_date.hpp"
#include "foundation/property_list/number_scanning.hpp"

namespace foundation {
namespace {

constexpr std::int64_t kReferenceDay = CivilDate{2001, 1, 1}.daysSinceUnixEpoch();
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr double kFirstSecond =
    static_cast<double>((CivilDate{0, 1, 1}.daysSinceUnixEpoch() - kReferenceDay) * kSecondsPerDay);
constexpr double kEndSecond = static_cast<double>(
    (CivilDate{10000, 1, 1}.daysSinceUnixEpoch() - kReferenceDay) * kSecondsPerDay);

}  // namespace

std::optional<std::string> iso8601DateText(double secondsSinceReferenceDate) {
  if (!std::isfinite(secondsSinceReferenceDate)) return std::nullopt;
  const double whole = std::floor(secondsSinceReferenceDate);
  if (whole < kFirstSecond || whole >= kEndSecond) return std::nullopt;
  const auto seconds = static_cast<std::int64_t>(whole);
  // Floor division: a date before 2001 lies in an earlier day, at a positive time of that day.
  std::int64_t days = seconds / kSecondsPerDay;
  if (seconds % kSecondsPerDay < 0) --days;
  const std::int64_t ofDay = seconds - days * kSecondsPerDay;
  const CivilDate date = CivilDate::fromDaysSinceUnixEpoch(days + kReferenceDay);

  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", date.year, date.month, date.day,
                static_cast<int>(ofDay / 3600), static_cast<int>(ofDay / 60 % 60),
                static_cast<int>(ofDay % 60));
  std::string out = text;
  const double fraction = secondsSinceReferenceDate - whole;
  if (fraction > 0) {
    char digits[400];  // the shortest fixed form of 2^-1074, the smallest fraction, takes 326
    const auto end =
        std::to_chars(digits, digits + sizeof digits, fraction, std::chars_format::fixed).ptr;
    out.append(digits + 1, end);  // ".25" of "0.25"
  }
  out += "Z";
  // The fraction is exact, and the reader's sum of the two parts is then the date itself, except
  // within the second before 2001, where subtracting the floor (-1) rounds.
  if (parseIso8601Date(out) != secondsSinceReferenceDate) return std::nullopt;
  return out;
}

}  // namespace foundation
