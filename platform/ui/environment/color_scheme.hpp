#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

namespace ui {

// The appearance the host renders in; named colours resolve differently in each.
enum class ColorScheme : std::uint8_t { light, dark };

constexpr std::string_view toString(ColorScheme scheme) {
  switch (scheme) {
    case ColorScheme::light:
      return "light";
    case ColorScheme::dark:
      return "dark";
  }
  return "?";
}

inline void PrintTo(ColorScheme scheme, std::ostream* os) {
  *os << toString(scheme);
}

}  // namespace ui
