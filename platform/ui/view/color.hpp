#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>

#include "ui/environment/color_scheme.hpp"

namespace ui {

// The platform's semantic colours: their components depend on the colour scheme and are fixed
// only when the colour is resolved for drawing.
enum class NamedColor : std::uint8_t {
  white,
  black,
  gray,
  red,
  orange,
  yellow,
  green,
  blue,
  primary,
  secondary,
  clear,
};

std::string_view toString(NamedColor color);

enum class RGBColorSpace : std::uint8_t { sRGB };

std::string_view toString(RGBColorSpace space);

// Components in 0...1, not premultiplied.
struct RGBA {
  double red = 0;
  double green = 0;
  double blue = 0;
  double opacity = 1;

  friend bool operator==(const RGBA&, const RGBA&) = default;
};

// A colour given by its components; stays the same in every colour scheme.
struct RGBColor {
  RGBColorSpace colorSpace = RGBColorSpace::sRGB;
  double red = 0;
  double green = 0;
  double blue = 0;
  double opacity = 1;

  friend bool operator==(const RGBColor&, const RGBColor&) = default;
};

struct Color {
  constexpr Color(NamedColor named) : value(named) {}
  constexpr Color(RGBColorSpace space, double red, double green, double blue, double opacity = 1)
      : value(RGBColor{space, red, green, blue, opacity}) {}

  static const Color white;
  static const Color black;
  static const Color gray;
  static const Color red;
  static const Color orange;
  static const Color yellow;
  static const Color green;
  static const Color blue;
  static const Color primary;
  static const Color secondary;
  static const Color clear;

  std::variant<NamedColor, RGBColor> value;

  friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color Color::white{NamedColor::white};
inline constexpr Color Color::black{NamedColor::black};
inline constexpr Color Color::gray{NamedColor::gray};
inline constexpr Color Color::red{NamedColor::red};
inline constexpr Color Color::orange{NamedColor::orange};
inline constexpr Color Color::yellow{NamedColor::yellow};
inline constexpr Color Color::green{NamedColor::green};
inline constexpr Color Color::blue{NamedColor::blue};
inline constexpr Color Color::primary{NamedColor::primary};
inline constexpr Color Color::secondary{NamedColor::secondary};
inline constexpr Color Color::clear{NamedColor::clear};

// The components the colour is drawn with in `scheme`.
RGBA resolve(const Color& color, ColorScheme scheme);

// "green", or "Color(sRGB, red: 0.12, green: 0.2, blue: 0.15, opacity: 1)".
std::string toString(const Color& color);

void PrintTo(const Color& color, std::ostream* os);

}  // namespace ui
