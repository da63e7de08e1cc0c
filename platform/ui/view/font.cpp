#include "ui/view/font.hpp"

#include "foundation/shortest_decimal.hpp"

namespace ui {

std::string_view toString(Font::TextStyle style) {
  switch (style) {
    case Font::TextStyle::largeTitle:
      return "largeTitle";
    case Font::TextStyle::title:
      return "title";
    case Font::TextStyle::title2:
      return "title2";
    case Font::TextStyle::title3:
      return "title3";
    case Font::TextStyle::headline:
      return "headline";
    case Font::TextStyle::body:
      return "body";
    case Font::TextStyle::callout:
      return "callout";
    case Font::TextStyle::subheadline:
      return "subheadline";
    case Font::TextStyle::footnote:
      return "footnote";
    case Font::TextStyle::caption:
      return "caption";
    case Font::TextStyle::caption2:
      return "caption2";
  }
  return "?";
}

std::string_view toString(Font::Weight weight) {
  switch (weight) {
    case Font::Weight::regular:
      return "regular";
    case Font::Weight::bold:
      return "bold";
  }
  return "?";
}

std::string_view toString(Font::Design design) {
  switch (design) {
    case Font::Design::standard:
      return "standard";
    case Font::Design::monospaced:
      return "monospaced";
  }
  return "?";
}

std::string toString(const Font& font) {
  std::string text = font.fixedSize
                         ? "system(size: " + foundation::shortestDecimal(*font.fixedSize) + ")"
                         : std::string(toString(font.style));
  if (font.weight == Font::Weight::bold) text += ".bold()";
  if (font.design == Font::Design::monospaced) text += ".monospaced()";
  if (font.monospacedDigits) text += ".monospacedDigit()";
  return text;
}

void PrintTo(const Font& font, std::ostream* os) {
  *os << toString(font);
}

}  // namespace ui
