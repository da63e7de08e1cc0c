#include "ui/view/text.hpp"

namespace ui {

std::string formatted(const FormattedNumber& number, const foundation::Locale& renderLocale) {
  return std::visit(
      [&](auto style) {
        style.locale = style.locale.resolved(renderLocale);
        return style.format(number.value);
      },
      number.style);
}

std::string resolvedString(const Text& text, const RenderEnvironment& environment) {
  if (const auto* number = std::get_if<FormattedNumber>(&text.content)) {
    return formatted(*number, environment.locale);
  }
  if (const auto* verbatim = std::get_if<VerbatimText>(&text.content)) return verbatim->content;
  return environment.localized(std::get<LocalizedText>(text.content).key.key);
}

}  // namespace ui
