#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <variant>

#include "foundation/floating_point_format_style.hpp"
#include "foundation/locale.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/view/font.hpp"
#include "ui/view/localized_string_key.hpp"
#include "ui/view/view_modifiers.hpp"

namespace ui {

// Text looked up by key; the table, bundle and comment are kept as given, nil included.
struct LocalizedText {
  LocalizedStringKey key;
  std::optional<std::string> tableName;
  std::optional<std::string> bundle;
  std::optional<std::string> comment;

  friend bool operator==(const LocalizedText&, const LocalizedText&) = default;
};

using FormatStyle = std::variant<foundation::FloatingPointFormatStyle<double>,
                                 foundation::FloatingPointFormatStyle<double>::Currency>;

// A number kept raw with the style that turns it into text, so the text follows the style's
// locale at the time it is shown rather than when the tree was built.
struct FormattedNumber {
  double value;
  FormatStyle style;

  friend bool operator==(const FormattedNumber&, const FormattedNumber&) = default;
};

// Shown as is, never looked up.
struct VerbatimText {
  std::string content;

  friend bool operator==(const VerbatimText&, const VerbatimText&) = default;
};

struct Text : ViewModifiers<Text> {
  using Content = std::variant<LocalizedText, FormattedNumber, VerbatimText>;

  Text(LocalizedStringKey key) : content(LocalizedText{std::move(key), {}, {}, {}}) {}
  Text(LocalizedStringKey key, std::optional<std::string> tableName,
       std::optional<std::string> bundle, std::optional<std::string> comment)
      : content(LocalizedText{std::move(key), std::move(tableName), std::move(bundle),
                              std::move(comment)}) {}
  Text(double value, foundation::FloatingPointFormatStyle<double> style)
      : content(FormattedNumber{value, std::move(style)}) {}
  Text(double value, foundation::FloatingPointFormatStyle<double>::Currency style)
      : content(FormattedNumber{value, std::move(style)}) {}
  static Text verbatim(std::string content) { return Text(VerbatimText{std::move(content)}); }

  // Sets the text's own font, which takes precedence over any font inherited from outside. Unlike
  // the font() of other views this keeps a Text, as the text's own property, not a modifier.
  Text font(std::optional<Font> font) const {
    Text copy = *this;
    copy.ownFont = font;
    return copy;
  }

  Content content;
  std::optional<Font> ownFont;

  friend bool operator==(const Text&, const Text&) = default;

 private:
  explicit Text(Content content) : content(std::move(content)) {}
};

// The string a number shows: formatted with its style in the style's locale, an autoupdating one
// being `renderLocale`.
std::string formatted(const FormattedNumber& number, const foundation::Locale& renderLocale);

// What the text shows in a render: the number formatted, the key's translation, or the verbatim
// content.
std::string resolvedString(const Text& text, const RenderEnvironment& environment);

}  // namespace ui
