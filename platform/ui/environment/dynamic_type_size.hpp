#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string_view>

namespace ui {

// The user's text size setting, smallest first. `large` is the platform's default; the last
// five are the larger accessibility sizes. Text styles resolve to a point size for each.
enum class DynamicTypeSize : std::uint8_t {
  xSmall,
  small,
  medium,
  large,
  xLarge,
  xxLarge,
  xxxLarge,
  accessibility1,
  accessibility2,
  accessibility3,
  accessibility4,
  accessibility5,
};

inline constexpr std::array<DynamicTypeSize, 12> kAllDynamicTypeSizes{
    DynamicTypeSize::xSmall,         DynamicTypeSize::small,
    DynamicTypeSize::medium,         DynamicTypeSize::large,
    DynamicTypeSize::xLarge,         DynamicTypeSize::xxLarge,
    DynamicTypeSize::xxxLarge,       DynamicTypeSize::accessibility1,
    DynamicTypeSize::accessibility2, DynamicTypeSize::accessibility3,
    DynamicTypeSize::accessibility4, DynamicTypeSize::accessibility5,
};

constexpr bool isAccessibilitySize(DynamicTypeSize size) {
  return size >= DynamicTypeSize::accessibility1;
}

// The platform's own case names, which the command line takes too.
constexpr std::string_view toString(DynamicTypeSize size) {
  switch (size) {
    case DynamicTypeSize::xSmall:
      return "xSmall";
    case DynamicTypeSize::small:
      return "small";
    case DynamicTypeSize::medium:
      return "medium";
    case DynamicTypeSize::large:
      return "large";
    case DynamicTypeSize::xLarge:
      return "xLarge";
    case DynamicTypeSize::xxLarge:
      return "xxLarge";
    case DynamicTypeSize::xxxLarge:
      return "xxxLarge";
    case DynamicTypeSize::accessibility1:
      return "accessibility1";
    case DynamicTypeSize::accessibility2:
      return "accessibility2";
    case DynamicTypeSize::accessibility3:
      return "accessibility3";
    case DynamicTypeSize::accessibility4:
      return "accessibility4";
    case DynamicTypeSize::accessibility5:
      return "accessibility5";
  }
  return "?";
}

// Exact names only (as toString writes them); anything else is none.
constexpr std::optional<DynamicTypeSize> parseDynamicTypeSize(std::string_view name) {
  for (const DynamicTypeSize size : kAllDynamicTypeSizes) {
    if (toString(size) == name) return size;
  }
  return std::nullopt;
}

inline std::ostream& operator<<(std::ostream& os, DynamicTypeSize size) {
  return os << toString(size);
}

}  // namespace ui
