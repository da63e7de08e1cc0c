#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/date.hpp"
#include "host/any_entry.hpp"
#include "host/timeline.hpp"
#include "host/timeline_provider.hpp"

namespace hosttest {

struct CountEntry {
  foundation::Date date;
  double count = 0;
  friend bool operator==(const CountEntry&, const CountEntry&) = default;
};

inline std::vector<host::EntryField> timelineEntryFields(const CountEntry& entry) {
  return {{"count", entry.count}};
}

// A provider whose answers and misbehaviour a test chooses. Counts how many providers were made.
struct ScriptedProvider {
  using Entry = CountEntry;
  inline static int made = 0;

  // How many times getSnapshot and getTimeline call their completion.
  int completionCalls = 1;
  std::function<host::Timeline<CountEntry>()> timeline = [] {
    return host::Timeline<CountEntry>{{CountEntry{foundation::Date::now(), 1}},
                                      host::TimelineReloadPolicy::never()};
  };
  // Where a provider that keeps its completion puts it.
  std::function<void(host::Completion<CountEntry>)> keep;

  ScriptedProvider() { ++made; }
  ScriptedProvider(const ScriptedProvider& other) = default;

  CountEntry placeholder(const host::TimelineProviderContext&) const {
    return {foundation::Date::now(), -1};
  }
  void getSnapshot(const host::TimelineProviderContext&,
                   const host::Completion<CountEntry>& completion) const {
    if (keep) keep(completion);
    for (int i = 0; i < completionCalls; ++i) completion(CountEntry{foundation::Date::now(), 7});
  }
  void getTimeline(const host::TimelineProviderContext&,
                   const host::Completion<host::Timeline<CountEntry>>& completion) const {
    for (int i = 0; i < completionCalls; ++i) completion(timeline());
  }
};

static_assert(host::TimelineProvider<ScriptedProvider>);

}  // namespace hosttest
