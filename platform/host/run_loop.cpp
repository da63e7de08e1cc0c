#include "host/run_loop.hpp"

#include <cmath>
#include <limits>

#include "foundation/shortest_decimal.hpp"
#include "host/entry_choice.hpp"
#include "host/timeline_json.hpp"

namespace host {
namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

std::string timeText(foundation::Date date) {
  const auto text = iso8601(date);
  return text ? *text
              : foundation::shortestDecimal(date.timeIntervalSinceReferenceDate) + " s since 2001";
}

// The first entry date after `now`, when the showing entry changes without a new request.
std::optional<foundation::Date> nextEntryDate(const AnyTimeline& timeline, foundation::Date now) {
  std::optional<foundation::Date> next;
  for (const auto& entry : timeline.entries) {
    if (entry.date > now && (!next || entry.date < *next)) next = entry.date;
  }
  return next;
}

}  // namespace

std::optional<foundation::Date> nextReloadDate(const AnyTimeline& timeline) {
  const auto& kind = timeline.policy.kind;
  if (const auto* after = std::get_if<TimelineReloadPolicy::After>(&kind)) {
    if (std::isnan(after->date.timeIntervalSinceReferenceDate)) return std::nullopt;
    return after->date;
  }
  if (std::holds_alternative<TimelineReloadPolicy::AtEnd>(kind)) {
    if (timeline.entries.empty()) return foundation::Date{-kNever};
    std::optional<foundation::Date> last;
    for (const auto& entry : timeline.entries) {
      if (!std::isnan(entry.date.timeIntervalSinceReferenceDate) && (!last || entry.date > *last)) {
        last = entry.date;
      }
    }
    return last;
  }
  return std::nullopt;
}

int runLoop(const std::function<std::optional<AnyTimeline>()>& request,
            const std::function<std::optional<std::string>(const AnyEntry&)>& show,
            Sleeper& sleeper, std::ostream& log, const RunLoopOptions& options) {
  long long requests = 0;
  while (true) {
    const foundation::Date requestedAt = foundation::Date::now();
    const std::optional<AnyTimeline> timeline = request();
    ++requests;
    const AnyTimeline current = timeline.value_or(AnyTimeline{{}, TimelineReloadPolicy::atEnd()});
    const std::optional<foundation::Date> reload = nextReloadDate(current);
    // Never sooner than the minimum interval after this request.
    const foundation::Date earliest = requestedAt.addingTimeInterval(options.minimumInterval);
    const foundation::Date reloadAt =
        reload ? (*reload < earliest ? earliest : *reload) : foundation::Date{kNever};
    const bool last = options.reloads && requests >= *options.reloads;

    std::optional<std::size_t> shown;
    bool first = true;
    while (true) {
      const foundation::Date now = foundation::Date::now();
      const auto index = entryShowing(current.entries, now);
      if (first || index != shown) {
        std::string line = timeText(now);
        if (first) {
          line += "  request " + std::to_string(requests) + ": ";
          line += index ? "entry " + describeEntry(current.entries[*index]) : "no entry";
          line += "; next reload: ";
          if (last) {
            line += "none (last request)";
          } else if (!reload) {
            line += "never";
          } else if (*reload < earliest) {
            line += "at " + timeText(reloadAt) + " (the policy asked for " +
                    describePolicy(current.policy) + ")";
          } else {
            line += describePolicy(current.policy);
          }
        } else {
          line += "  entry " + describeEntry(current.entries[*index]);
        }
        log << line << std::endl;
        if (index) {
          if (auto failure = show(current.entries[*index])) {
            log << *failure << std::endl;
            return 1;
          }
        }
        shown = index;
        first = false;
      }
      if (last) return 0;
      const auto entryChange = nextEntryDate(current, now);
      const bool reloadFirst = !entryChange || !(*entryChange < reloadAt);
      const foundation::Date wakeAt = reloadFirst ? reloadAt : *entryChange;
      if (!sleeper.sleepUntil(wakeAt)) {
        log << timeText(foundation::Date::now()) << "  stopped" << std::endl;
        return 0;
      }
      // As when the app asks the host to reload the widget's timelines.
      if (auto reason = sleeper.takeReloadReason()) {
        log << timeText(foundation::Date::now()) << "  reload: " << *reason << std::endl;
        break;
      }
      if (reloadFirst && !(foundation::Date::now() < reloadAt)) break;
    }
  }
}

}  // namespace host
