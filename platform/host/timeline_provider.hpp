#pragma once

#include <functional>

#include "host/timeline.hpp"
#include "host/timeline_entry.hpp"
#include "host/timeline_provider_context.hpp"

namespace host {

// A host callback. The provider must call it exactly once, before the operation returns.
template <class Value>
using Completion = std::function<void(Value)>;

// What a provider may tell the host about when its widget matters; empty by default.
struct WidgetRelevance {
  friend bool operator==(const WidgetRelevance&, const WidgetRelevance&) = default;
};

// The host's requests to a widget's provider: a placeholder returned at once, and a snapshot and
// a timeline handed to completions.
template <class Provider>
concept TimelineProvider = TimelineEntry<typename Provider::Entry> &&
    requires(const Provider& provider, const TimelineProviderContext& context,
             Completion<typename Provider::Entry> entryCompletion,
             Completion<Timeline<typename Provider::Entry>> timelineCompletion) {
  { provider.placeholder(context) } -> std::same_as<typename Provider::Entry>;
  provider.getSnapshot(context, entryCompletion);
  provider.getTimeline(context, timelineCompletion);
};

// The provider's relevance: what it declares, or the host's default.
template <TimelineProvider Provider>
WidgetRelevance relevance(const Provider& provider) {
  if constexpr (requires { provider.relevance(); }) {
    return provider.relevance();
  } else {
    return WidgetRelevance{};
  }
}

}  // namespace host
