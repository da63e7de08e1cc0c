#pragma once

#include <cstdint>
#include <string_view>

namespace ui {

enum class LayoutDirection : std::uint8_t { leftToRight, rightToLeft };

constexpr std::string_view toString(LayoutDirection direction) {
  switch (direction) {
    case LayoutDirection::leftToRight:
      return "leftToRight";
    case LayoutDirection::rightToLeft:
      return "rightToLeft";
  }
  return "?";
}

}  // namespace ui
