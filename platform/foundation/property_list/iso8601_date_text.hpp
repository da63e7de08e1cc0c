#pragma once

#include <optional>
#include <string>

namespace foundation {

// A date (seconds since 2001-01-01T00:00:00Z) as a UTC time stamp "YYYY-MM-DDTHH:MM:SSZ", with
// ".fraction" before the Z only when the date falls between whole seconds: the fewest digits
// that parseIso8601Date reads back to the same date. A negative zero comes back positive (the
// text has no place for its sign).
//
// Nothing for a NaN or an infinity, outside the years 0000 to 9999 (four digits), and within the
// second before 2001: there the reader's sum of -1 and a fraction below 1 cannot reach every
// date's bits.
std::optional<std::string> iso8601DateText(double secondsSinceReferenceDate);

}  // namespace foundation
