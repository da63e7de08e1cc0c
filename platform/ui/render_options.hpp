#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ui/environment/color_scheme.hpp"
#include "ui/environment/dynamic_type_size.hpp"
#include "ui/environment/layout_direction.hpp"

namespace ui {

struct RenderOptions {
  // Device pixels per point, for the raster backend (1, 2 or 3).
  double scale = 1;
  ColorScheme colorScheme = ColorScheme::light;
  // Draws the placeholder look: every text a rounded bar of its width.
  bool redacted = false;
  // Mirrors the layout for right-to-left languages: leading becomes the right edge.
  LayoutDirection layoutDirection = LayoutDirection::leftToRight;
  // The user's text size, which the text styles follow.
  DynamicTypeSize dynamicTypeSize = DynamicTypeSize::large;
  // Looks up the string shown for a localizable key; unset shows the key itself.
  std::function<std::string(std::string_view key)> localize;
};

}  // namespace ui
