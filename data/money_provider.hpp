#pragma once

#include "data/money_entry.hpp"
#include "host/timeline_provider.hpp"

namespace pocketta {

// The widget's timeline provider. It holds nothing: every request reads the shared store anew.
struct MoneyProvider {
  using Entry = MoneyEntry;

  // Seconds from a timeline request to the next one.
  static constexpr double kReloadDelay = 900.0;

  MoneyEntry placeholder(const host::TimelineProviderContext& context) const;
  void getSnapshot(const host::TimelineProviderContext& context,
                   const host::Completion<MoneyEntry>& completion) const;
  void getTimeline(const host::TimelineProviderContext& context,
                   const host::Completion<host::Timeline<MoneyEntry>>& completion) const;

  MoneyEntry readEntry() const;
};

static_assert(host::TimelineProvider<MoneyProvider>);

}  // namespace pocketta
