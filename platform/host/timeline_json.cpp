#include "host/timeline_json.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "foundation/civil_date.hpp"
#include "foundation/shortest_decimal.hpp"

namespace host {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kFirstShownDay = foundation::CivilDate{0, 1, 1}.daysSinceUnixEpoch();
constexpr std::int64_t kLastShownDay = foundation::CivilDate{9999, 12, 31}.daysSinceUnixEpoch();

std::string policyKind(const TimelineReloadPolicy& policy) {
  if (std::holds_alternative<TimelineReloadPolicy::After>(policy.kind)) return "after";
  if (std::holds_alternative<TimelineReloadPolicy::AtEnd>(policy.kind)) return "atEnd";
  return "never";
}

}  // namespace

Json jsonNumber(double value) {
  if (std::isfinite(value)) return value;
  return foundation::shortestDecimal(value);
}

std::string oneLine(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json jsonDate(foundation::Date date) {
  const auto text = iso8601(date);
  return text ? Json(*text) : Json(nullptr);
}

std::optional<std::string> iso8601(foundation::Date date) {
  const double unixSeconds = date.timeIntervalSince1970();
  if (!std::isfinite(unixSeconds)) return std::nullopt;
  const double firstSecond = static_cast<double>(kFirstShownDay * kSecondsPerDay);
  const double endSecond = static_cast<double>((kLastShownDay + 1) * kSecondsPerDay);
  if (unixSeconds < firstSecond || unixSeconds >= endSecond) return std::nullopt;

  // Whole milliseconds, rounded down so that a date never shows later than it is.
  const auto millis = static_cast<std::int64_t>(std::floor(unixSeconds * 1000.0));
  std::int64_t days = millis / (kSecondsPerDay * 1000);
  std::int64_t rest = millis % (kSecondsPerDay * 1000);
  if (rest < 0) {
    rest += kSecondsPerDay * 1000;
    --days;
  }
  if (days > kLastShownDay) return std::nullopt;
  const auto civil = foundation::CivilDate::fromDaysSinceUnixEpoch(days);
  const auto ms = static_cast<int>(rest % 1000);
  const auto seconds = static_cast<int>(rest / 1000);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", civil.year,
                civil.month, civil.day, seconds / 3600, seconds / 60 % 60, seconds % 60, ms);
  return std::string(buffer);
}

Json timelineJson(const AnyTimeline& timeline) {
  Json entries = Json::array();
  for (const auto& entry : timeline.entries) {
    Json shown = {
        {"date", jsonDate(entry.date)},
        {"secondsSinceReferenceDate", jsonNumber(entry.date.timeIntervalSinceReferenceDate)}};
    for (const auto& field : entry.fields) shown[field.name] = jsonNumber(field.value);
    entries.push_back(std::move(shown));
  }
  const auto* after = std::get_if<TimelineReloadPolicy::After>(&timeline.policy.kind);
  return {{"entries", std::move(entries)},
          {"policy",
           {{"kind", policyKind(timeline.policy)},
            {"date", after ? jsonDate(after->date) : Json(nullptr)}}}};
}

std::string describePolicy(const TimelineReloadPolicy& policy) {
  if (const auto* after = std::get_if<TimelineReloadPolicy::After>(&policy.kind)) {
    const auto date = iso8601(after->date);
    return "after " +
           (date ? *date
                 : foundation::shortestDecimal(after->date.timeIntervalSinceReferenceDate) +
                       " s since 2001-01-01");
  }
  if (std::holds_alternative<TimelineReloadPolicy::AtEnd>(policy.kind)) return "at end";
  return "never";
}

std::string describeEntry(const AnyEntry& entry) {
  const auto date = iso8601(entry.date);
  std::string out = date ? *date
                         : foundation::shortestDecimal(entry.date.timeIntervalSinceReferenceDate) +
                               " s since 2001";
  for (const auto& field : entry.fields)
    out += "  " + field.name + " " + foundation::shortestDecimal(field.value);
  return out;
}

std::string timelineText(const AnyTimeline& timeline) {
  std::string out;
  if (timeline.entries.empty()) out += "no entries\n";
  for (std::size_t i = 0; i < timeline.entries.size(); ++i) {
    out += "entry " + std::to_string(i + 1) + ": " + describeEntry(timeline.entries[i]) + "\n";
  }
  out += "next reload: " + describePolicy(timeline.policy) + "\n";
  return out;
}

}  // namespace host
