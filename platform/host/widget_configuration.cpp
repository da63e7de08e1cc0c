#include "host/widget_configuration.hpp"

namespace host {
namespace {

template <class Modifier>
const Modifier* outermost(const std::vector<ConfigurationModifier>& modifiers) {
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
    if (const auto* modifier = std::get_if<Modifier>(&*it)) return modifier;
  }
  return nullptr;
}

WidgetConfiguration appending(const WidgetConfiguration& configuration,
                              ConfigurationModifier modifier) {
  WidgetConfiguration wrapped = configuration;
  wrapped.modifiers.push_back(std::move(modifier));
  return wrapped;
}

}  // namespace

WidgetConfiguration WidgetConfiguration::configurationDisplayName(
    ui::LocalizedStringKey key) const {
  return appending(*this, ConfigurationDisplayName{std::move(key)});
}

WidgetConfiguration WidgetConfiguration::description(ui::LocalizedStringKey key) const {
  return appending(*this, ConfigurationDescription{std::move(key)});
}

WidgetConfiguration WidgetConfiguration::supportedFamilies(
    std::vector<WidgetFamily> families) const {
  return appending(*this, SupportedFamilies{std::move(families)});
}

ui::LocalizedStringKey WidgetConfiguration::displayName() const {
  const auto* modifier = outermost<ConfigurationDisplayName>(modifiers);
  return modifier ? modifier->key : ui::LocalizedStringKey("");
}

ui::LocalizedStringKey WidgetConfiguration::descriptionKey() const {
  const auto* modifier = outermost<ConfigurationDescription>(modifiers);
  return modifier ? modifier->key : ui::LocalizedStringKey("");
}

std::vector<WidgetFamily> WidgetConfiguration::families() const {
  const auto* modifier = outermost<SupportedFamilies>(modifiers);
  return modifier ? modifier->families : allWidgetFamilies();
}

std::vector<WidgetFamily> allWidgetFamilies() {
  return {WidgetFamily::systemSmall, WidgetFamily::systemMedium};
}

}  // namespace host
