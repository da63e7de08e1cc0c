#include "ui/view/text.hpp"

namespace ui {

std::string formatted(const FormattedNumber& number,
                      const std::optional<foundation::Locale>& locale) {
  return std::visit(
      [&](auto style) {
        if (locale) style.locale = *locale;
        return style.format(number.value);
      },
      number.style);
}

std::string resolvedString(const Text& text, const Localizer& localize) {
  if (const auto* number = std::get_if<FormattedNumber>(&text.content)) return formatted(*number);
  if (const auto* verbatim = std::get_if<VerbatimText>(&text.content)) return verbatim->content;
  const auto& localized = std::get<LocalizedText>(text.content);
  if (localize) {
    if (auto translation = localize(localized)) return *std::move(translation);
  }
  return localized.key.key;
}

}  // namespace ui
