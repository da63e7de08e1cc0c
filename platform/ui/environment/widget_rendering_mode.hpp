#pragma once

#include <cstdint>
#include <string_view>

namespace ui {

// How the system draws the widget's content: in its own colours; as templates in the tint of the
// tinted home screen (only each view's opacity counts); or as a monochrome whose brightness
// follows each view's, as StandBy at night shows it.
enum class WidgetRenderingMode : std::uint8_t { fullColor, accented, vibrant };

constexpr std::string_view toString(WidgetRenderingMode mode) {
  switch (mode) {
    case WidgetRenderingMode::fullColor:
      return "fullColor";
    case WidgetRenderingMode::accented:
      return "accented";
    case WidgetRenderingMode::vibrant:
      return "vibrant";
  }
  return "?";
}

}  // namespace ui
