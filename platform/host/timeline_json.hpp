#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "foundation/date.hpp"
#include "host/any_entry.hpp"

namespace host {

// A number as scripts read it back exactly: the shortest text that round-trips ("0.1", "1e+21",
// "-0"); NaN and the infinities, which JSON cannot hold, as the strings "nan", "inf", "-inf".
std::string jsonNumber(double value);

// A date as ISO 8601 in UTC with milliseconds ("2026-03-01T09:30:00.250Z"), rounded down to the
// millisecond; nothing for a date outside the years 0 to 9999 or not a number.
std::optional<std::string> iso8601(foundation::Date date);

// A JSON string literal, quotes included.
std::string jsonString(std::string_view text);

// The timeline for scripts, on one line:
// {"entries": [{"date": ..., "secondsSinceReferenceDate": ..., <fields>...}],
//  "policy": {"kind": "after"|"atEnd"|"never", "date": ...}}
std::string timelineJson(const AnyTimeline& timeline);

// The same for people: one line per entry, then the policy.
std::string timelineText(const AnyTimeline& timeline);

// One entry for people: its date, then its fields.
std::string describeEntry(const AnyEntry& entry);

// "after 2026-03-01T09:45:00.000Z", "at end", "never".
std::string describePolicy(const TimelineReloadPolicy& policy);

}  // namespace host
