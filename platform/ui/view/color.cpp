#include "ui/view/color.hpp"

#include "foundation/shortest_decimal.hpp"

namespace ui {

std::string_view toString(NamedColor color) {
  switch (color) {
    case NamedColor::white:
      return "white";
    case NamedColor::black:
      return "black";
    case NamedColor::gray:
      return "gray";
    case NamedColor::red:
      return "red";
    case NamedColor::orange:
      return "orange";
    case NamedColor::yellow:
      return "yellow";
    case NamedColor::green:
      return "green";
    case NamedColor::blue:
      return "blue";
    case NamedColor::primary:
      return "primary";
    case NamedColor::secondary:
      return "secondary";
    case NamedColor::clear:
      return "clear";
  }
  return "?";
}

std::string_view toString(RGBColorSpace space) {
  switch (space) {
    case RGBColorSpace::sRGB:
      return "sRGB";
  }
  return "?";
}

namespace {

constexpr RGBA bytes(int red, int green, int blue, double opacity = 1) {
  return RGBA{red / 255.0, green / 255.0, blue / 255.0, opacity};
}

// The platform's system colours, light then dark.
RGBA resolve(NamedColor color, ColorScheme scheme) {
  const bool dark = scheme == ColorScheme::dark;
  switch (color) {
    case NamedColor::white:
      return bytes(255, 255, 255);
    case NamedColor::black:
      return bytes(0, 0, 0);
    case NamedColor::gray:
      return bytes(142, 142, 147);
    case NamedColor::red:
      return dark ? bytes(255, 69, 58) : bytes(255, 59, 48);
    case NamedColor::orange:
      return dark ? bytes(255, 159, 10) : bytes(255, 149, 0);
    case NamedColor::yellow:
      return dark ? bytes(255, 214, 10) : bytes(255, 204, 0);
    case NamedColor::green:
      return dark ? bytes(48, 209, 88) : bytes(52, 199, 89);
    case NamedColor::blue:
      return dark ? bytes(10, 132, 255) : bytes(0, 122, 255);
    case NamedColor::primary:
      return dark ? bytes(255, 255, 255) : bytes(0, 0, 0);
    case NamedColor::secondary:
      return dark ? bytes(235, 235, 245, 0.6) : bytes(60, 60, 67, 0.6);
    case NamedColor::clear:
      return bytes(0, 0, 0, 0);
  }
  return bytes(0, 0, 0);
}

}  // namespace

RGBA resolve(const Color& color, ColorScheme scheme) {
  if (const auto* named = std::get_if<NamedColor>(&color.value)) return resolve(*named, scheme);
  const auto& rgb = std::get<RGBColor>(color.value);
  return RGBA{rgb.red, rgb.green, rgb.blue, rgb.opacity};
}

std::string toString(const Color& color) {
  if (const auto* named = std::get_if<NamedColor>(&color.value)) {
    return std::string(toString(*named));
  }
  const auto& rgb = std::get<RGBColor>(color.value);
  return "Color(" + std::string(toString(rgb.colorSpace)) +
         ", red: " + foundation::shortestDecimal(rgb.red) +
         ", green: " + foundation::shortestDecimal(rgb.green) +
         ", blue: " + foundation::shortestDecimal(rgb.blue) +
         ", opacity: " + foundation::shortestDecimal(rgb.opacity) + ")";
}

void PrintTo(const Color& color, std::ostream* os) {
  *os << toString(color);
}

}  // namespace ui
