#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace ui {

// A text style of the platform with its variations, or a fixed size. Point sizes of the styles
// belong to the renderer (its text style table); the font only names the style.
struct Font {
  enum class TextStyle : std::uint8_t {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    caption2,
  };
  enum class Weight : std::uint8_t { regular, bold };
  // `monospaced` makes every character the same width.
  enum class Design : std::uint8_t { standard, monospaced };

  constexpr Font(TextStyle style) : style(style) {}

  static const Font largeTitle;
  static const Font title;
  static const Font title2;
  static const Font title3;
  static const Font headline;
  static const Font body;
  static const Font callout;
  static const Font subheadline;
  static const Font footnote;
  static const Font caption;
  static const Font caption2;

  // The system face at a fixed size in points: it does not follow the user's text size.
  static constexpr Font system(double size) {
    Font font{TextStyle::body};
    font.fixedSize = size;
    return font;
  }

  constexpr Font bold() const {
    Font copy = *this;
    copy.weight = Weight::bold;
    return copy;
  }
  constexpr Font monospaced() const {
    Font copy = *this;
    copy.design = Design::monospaced;
    return copy;
  }
  // Digits only take equal widths, so columns of figures line up; other characters keep theirs.
  constexpr Font monospacedDigit() const {
    Font copy = *this;
    copy.monospacedDigits = true;
    return copy;
  }

  TextStyle style;
  Weight weight = Weight::regular;
  Design design = Design::standard;
  bool monospacedDigits = false;
  // Set by system(size:); the style then only stands in for the weight.
  std::optional<double> fixedSize;

  friend bool operator==(const Font&, const Font&) = default;
};

inline constexpr Font Font::largeTitle{TextStyle::largeTitle};
inline constexpr Font Font::title{TextStyle::title};
inline constexpr Font Font::title2{TextStyle::title2};
inline constexpr Font Font::title3{TextStyle::title3};
inline constexpr Font Font::headline{TextStyle::headline};
inline constexpr Font Font::body{TextStyle::body};
inline constexpr Font Font::callout{TextStyle::callout};
inline constexpr Font Font::subheadline{TextStyle::subheadline};
inline constexpr Font Font::footnote{TextStyle::footnote};
inline constexpr Font Font::caption{TextStyle::caption};
inline constexpr Font Font::caption2{TextStyle::caption2};

std::string_view toString(Font::TextStyle style);
std::string_view toString(Font::Weight weight);
std::string_view toString(Font::Design design);

// Reads like the code that made it: "caption.bold()", "caption2.monospaced()".
std::string toString(const Font& font);

void PrintTo(const Font& font, std::ostream* os);

}  // namespace ui
