#pragma once

#include <any>
#include <concepts>
#include <functional>
#include <string>
#include <vector>

#include "foundation/date.hpp"
#include "host/timeline.hpp"
#include "host/timeline_entry.hpp"
#include "host/timeline_reload_policy.hpp"

namespace host {

// One named number of an entry, for the host's own read-outs (the timeline command).
struct EntryField {
  std::string name;
  double value = 0;
  friend bool operator==(const EntryField&, const EntryField&) = default;
};

// A widget's entry as the host keeps it, whatever the widget's entry type: the date that decides
// when it shows, the fields the entry declares, and the entry itself for the content function.
//
// An entry type declares its fields with a free function found by argument-dependent lookup,
//   std::vector<host::EntryField> timelineEntryFields(const Entry&);
// without one the host knows the entry by its date alone. With
//   Entry withTimelineEntryFields(Entry, const std::vector<host::EntryField>&);
// the host can also show the entry with values of its own (the fit command).
struct AnyEntry {
  foundation::Date date;
  std::vector<EntryField> fields;
  std::any value;
  // The same entry with the named fields set; unset when the entry type offers no way.
  std::function<AnyEntry(const std::vector<EntryField>&)> withFields;
  // The same entry at another date (snapshots drawn again from their recorded values).
  std::function<AnyEntry(foundation::Date)> withDate;

  // The names of the fields an entry type declares and lets the host set, in their order; none
  // where it does not offer both functions above.
  template <TimelineEntry Entry>
  static std::vector<std::string> settableFields() {
    std::vector<std::string> names;
    if constexpr (std::default_initializable<Entry> && requires(const Entry& entry) {
                    withTimelineEntryFields(entry, timelineEntryFields(entry));
                  }) {
      for (const EntryField& field : timelineEntryFields(Entry{})) names.push_back(field.name);
    }
    return names;
  }

  template <TimelineEntry Entry>
  static AnyEntry make(const Entry& entry) {
    AnyEntry erased;
    erased.date = entry.date;
    if constexpr (requires { timelineEntryFields(entry); }) {
      erased.fields = timelineEntryFields(entry);
    }
    erased.value = entry;
    if constexpr (requires { withTimelineEntryFields(entry, erased.fields); }) {
      erased.withFields = [entry](const std::vector<EntryField>& fields) {
        return make(withTimelineEntryFields(entry, fields));
      };
    }
    if constexpr (requires(Entry copy) { copy.date = foundation::Date{}; }) {
      erased.withDate = [entry](foundation::Date date) {
        Entry moved = entry;
        moved.date = date;
        return make(moved);
      };
    }
    return erased;
  }
};

struct AnyTimeline {
  std::vector<AnyEntry> entries;
  TimelineReloadPolicy policy;

  template <TimelineEntry Entry>
  static AnyTimeline make(const Timeline<Entry>& timeline) {
    AnyTimeline erased{{}, timeline.policy};
    erased.entries.reserve(timeline.entries.size());
    for (const auto& entry : timeline.entries) erased.entries.push_back(AnyEntry::make(entry));
    return erased;
  }
};

}  // namespace host
