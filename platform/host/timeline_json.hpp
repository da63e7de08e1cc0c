#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "foundation/date.hpp"
#include "host/any_entry.hpp"

namespace host {

// JSON as the host writes it for scripts: members in the order they were set.
using Json = nlohmann::ordered_json;

// A number as scripts read it back exactly (nlohmann writes the shortest text that round-trips,
// -0 with its sign); NaN and the infinities, which JSON cannot hold, as the strings "nan",
// "inf", "-inf".
Json jsonNumber(double value);
// A date as iso8601 writes it, or null.
Json jsonDate(foundation::Date date);
// The JSON on one line, malformed UTF-8 in a string shown as U+FFFD.
std::string oneLine(const Json& json);

// A date as ISO 8601 in UTC with milliseconds ("2026-03-01T09:30:00.250Z"), rounded down to the
// millisecond; nothing for a date outside the years 0 to 9999 or not a number.
std::optional<std::string> iso8601(foundation::Date date);

// The timeline for scripts:
// {"entries": [{"date": ..., "secondsSinceReferenceDate": ..., <fields>...}],
//  "policy": {"kind": "after"|"atEnd"|"never", "date": ...}}
Json timelineJson(const AnyTimeline& timeline);

// The same for people: one line per entry, then the policy.
std::string timelineText(const AnyTimeline& timeline);

// One entry for people: its date, then its fields.
std::string describeEntry(const AnyEntry& entry);

// "after 2026-03-01T09:45:00.000Z", "at end", "never".
std::string describePolicy(const TimelineReloadPolicy& policy);

}  // namespace host
