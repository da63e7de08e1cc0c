#pragma once

#include <functional>
#include <memory>
#include <typeinfo>

#include "host/any_entry.hpp"
#include "host/timeline_provider.hpp"
#include "host/timeline_provider_context.hpp"

namespace host {

// A widget's provider as the host holds it, whatever its type. The three requests go to one
// provider value, made when the configuration was made and shared by copies of it.
struct AnyTimelineProvider {
  std::shared_ptr<const void> instance;
  const std::type_info* type = nullptr;
  std::function<AnyEntry(const TimelineProviderContext&)> placeholder;
  std::function<void(const TimelineProviderContext&, const Completion<AnyEntry>&)> getSnapshot;
  std::function<void(const TimelineProviderContext&, const Completion<AnyTimeline>&)> getTimeline;

  template <TimelineProvider Provider>
  static AnyTimelineProvider make(Provider provider) {
    using Entry = typename Provider::Entry;
    auto shared = std::make_shared<const Provider>(std::move(provider));
    AnyTimelineProvider erased;
    erased.instance = shared;
    erased.type = &typeid(Provider);
    erased.placeholder = [shared](const TimelineProviderContext& context) {
      return AnyEntry::make(shared->placeholder(context));
    };
    erased.getSnapshot = [shared](const TimelineProviderContext& context,
                                  const Completion<AnyEntry>& completion) {
      Completion<Entry> typed = [completion](Entry entry) { completion(AnyEntry::make(entry)); };
      shared->getSnapshot(context, typed);
    };
    erased.getTimeline = [shared](const TimelineProviderContext& context,
                                  const Completion<AnyTimeline>& completion) {
      Completion<Timeline<Entry>> typed = [completion](Timeline<Entry> timeline) {
        completion(AnyTimeline::make(timeline));
      };
      shared->getTimeline(context, typed);
    };
    return erased;
  }
};

}  // namespace host
