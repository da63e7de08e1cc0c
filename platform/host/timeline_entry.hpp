#pragma once

#include <concepts>
#include <optional>

#include "foundation/date.hpp"

namespace host {

// How relevant an entry is, for hosts that rotate widgets in a stack.
struct TimelineEntryRelevance {
  double score = 0;
  double duration = 0;  // seconds the score holds; 0 until the next entry
  friend bool operator==(const TimelineEntryRelevance&, const TimelineEntryRelevance&) = default;
};

// An entry of a timeline: a copyable value with the date at which it should show.
template <class Entry>
concept TimelineEntry = std::copyable<Entry> && requires(const Entry& entry) {
  { entry.date } -> std::convertible_to<foundation::Date>;
};

// The entry's relevance: what it declares, or none, the host's default.
template <TimelineEntry Entry>
std::optional<TimelineEntryRelevance> relevance(const Entry& entry) {
  if constexpr (requires { entry.relevance(); }) {
    return entry.relevance();
  } else {
    return std::nullopt;
  }
}

}  // namespace host
