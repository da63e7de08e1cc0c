#pragma once

#include <vector>

#include "host/timeline_entry.hpp"
#include "host/timeline_reload_policy.hpp"

namespace host {

// Entries in date order, and when to ask for the next timeline.
template <TimelineEntry Entry>
struct Timeline {
  std::vector<Entry> entries;
  TimelineReloadPolicy policy;
  friend bool operator==(const Timeline&, const Timeline&) = default;
};

}  // namespace host
