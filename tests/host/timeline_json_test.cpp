#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/timeline_json.hpp"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Seconds since 2001-01-01 of a UTC civil time, for the cases below.
double at(double unixSeconds) {
  return unixSeconds - 978307200.0;
}

TEST(TimelineJson, datesAsUtcWithMillisecondsOrNothing) {
  const std::pair<double, std::optional<std::string>> cases[] = {
      {0, "2001-01-01T00:00:00.000Z"},
      {0.25, "2001-01-01T00:00:00.250Z"},
      {-0.0005, "2000-12-31T23:59:59.999Z"},  // rounded down, never later than it is
      {at(1772357400.5), "2026-03-01T09:30:00.500Z"},
      {at(951782400), "2000-02-29T00:00:00.000Z"},
      {at(-62135596800), "0001-01-01T00:00:00.000Z"},
      {at(-62167219200), "0000-01-01T00:00:00.000Z"},
      {at(-62167219200.001), std::nullopt},  // year -1
      {at(253402300799.999), "9999-12-31T23:59:59.999Z"},
      {at(253402300800), std::nullopt},  // year 10000
      {std::nan(""), std::nullopt},
      {kInf, std::nullopt},
      {-kInf, std::nullopt},
  };
  for (const auto& [seconds, expected] : cases) {
    EXPECT_EQ(host::iso8601(foundation::Date{seconds}), expected) << seconds;
  }
}

TEST(TimelineJson, timelineInTheStableFormat) {
  // Numbers JSON cannot hold are strings, -0 stays -0; the field-by-field form is checked on the
  // real executable.
  host::AnyEntry entry;
  entry.date = foundation::Date{-kInf};
  entry.fields = {{"balance", -0.0}, {"income", 30}, {"expense", std::nan("")}};
  const host::AnyTimeline timeline{{entry}, host::TimelineReloadPolicy::atEnd()};
  EXPECT_EQ(host::oneLine(host::timelineJson(timeline)),
            R"({"entries":[{"date":null,"secondsSinceReferenceDate":"-inf",)"
            R"("balance":-0.0,"income":30.0,"expense":"nan"}],)"
            R"("policy":{"kind":"atEnd","date":null}})");
  EXPECT_EQ(host::oneLine(host::timelineJson({{}, host::TimelineReloadPolicy::never()})),
            R"({"entries":[],"policy":{"kind":"never","date":null}})");
  EXPECT_EQ(host::oneLine(host::timelineJson(
                {{}, host::TimelineReloadPolicy::after(foundation::Date{1e300})})),
            R"({"entries":[],"policy":{"kind":"after","date":null}})");
  // A string's malformed UTF-8 is replaced, never a failure; control characters escaped.
  EXPECT_EQ(host::oneLine(host::Json("a\"b\n\x01\xFFЙ")), "\"a\\\"b\\n\\u0001\uFFFDЙ\"");
}

}  // namespace
