#pragma once

#include <any>
#include <concepts>
#include <string>
#include <type_traits>
#include <utility>

#include "foundation/precondition.hpp"
#include "host/any_entry.hpp"
#include "host/any_timeline_provider.hpp"
#include "host/timeline_provider.hpp"
#include "host/widget_configuration.hpp"
#include "ui/view/view.hpp"

namespace host {

// Something that shows as a view: a ui::View itself, or a view type whose body() is one (or is
// again such a type).
template <class Content>
ui::View resolveView(const Content& content) {
  if constexpr (std::convertible_to<Content, ui::View>) {
    return ui::View(content);
  } else {
    return resolveView(content.body());
  }
}

template <class Content>
concept ViewContent = requires(const Content& content) {
  resolveView(content);
};

// A configuration with no options for the user: the widget's kind, its provider, and the
// function from one of the provider's entries to the view that shows it. The provider is kept
// as given; the content function receives a copy of each entry.
template <TimelineProvider Provider, class Content>
requires std::invocable<const Content&, const typename Provider::Entry&> &&
    ViewContent<std::invoke_result_t<const Content&, const typename Provider::Entry&>>
        WidgetConfiguration StaticConfiguration(std::string kind, Provider provider,
                                                Content content) {
  using Entry = typename Provider::Entry;
  WidgetConfiguration configuration;
  configuration.kind = std::move(kind);
  configuration.provider = AnyTimelineProvider::make(std::move(provider));
  configuration.entryFields = AnyEntry::settableFields<Entry>();
  configuration.content = [content = std::move(content)](const AnyEntry& entry) {
    const Entry* typed = std::any_cast<Entry>(&entry.value);
    FOUNDATION_PRECONDITION(typed != nullptr,
                            "the host hands each configuration the entries of its own provider");
    return resolveView(content(Entry(*typed)));
  };
  return configuration;
}

}  // namespace host
