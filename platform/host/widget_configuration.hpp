#pragma once

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "host/any_entry.hpp"
#include "host/any_timeline_provider.hpp"
#include "host/timeline_provider_context.hpp"
#include "ui/view/localized_string_key.hpp"
#include "ui/view/view.hpp"

namespace host {

struct ConfigurationDisplayName {
  ui::LocalizedStringKey key;
  friend bool operator==(const ConfigurationDisplayName&,
                         const ConfigurationDisplayName&) = default;
};

struct ConfigurationDescription {
  ui::LocalizedStringKey key;
  friend bool operator==(const ConfigurationDescription&,
                         const ConfigurationDescription&) = default;
};

struct SupportedFamilies {
  std::vector<WidgetFamily> families;
  friend bool operator==(const SupportedFamilies&, const SupportedFamilies&) = default;
};

using ConfigurationModifier =
    std::variant<ConfigurationDisplayName, ConfigurationDescription, SupportedFamilies>;

// A widget's configuration as the host reads it back: the kind, the provider and the content
// function, wrapped by modifiers. Each modifier call returns a new configuration with the
// modifier appended, so `modifiers` holds them innermost first, in the order the widget applied
// them.
struct WidgetConfiguration {
  std::string kind;
  AnyTimelineProvider provider;
  // One entry to the view that shows it; the entry is one the provider made.
  std::function<ui::View(const AnyEntry&)> content;
  // The fields of the provider's entries that the host may set (AnyEntry::settableFields).
  std::vector<std::string> entryFields;
  std::vector<ConfigurationModifier> modifiers;

  WidgetConfiguration configurationDisplayName(ui::LocalizedStringKey key) const;
  WidgetConfiguration description(ui::LocalizedStringKey key) const;
  WidgetConfiguration supportedFamilies(std::vector<WidgetFamily> families) const;

  // What the modifiers set. Where one is applied twice, the outer (later) one stands. Without a
  // name or description the key is empty; without supportedFamilies every family is offered.
  ui::LocalizedStringKey displayName() const;
  ui::LocalizedStringKey descriptionKey() const;
  std::vector<WidgetFamily> families() const;
};

// Every family the host knows, in its order.
std::vector<WidgetFamily> allWidgetFamilies();

}  // namespace host
