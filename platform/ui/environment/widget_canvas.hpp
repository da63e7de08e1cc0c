#pragma once

#include "foundation/geometry.hpp"

namespace ui {

// The surface a widget is drawn on, in points. The content is laid out in the size less the
// margins on every side and centred there; the container background covers the whole size,
// clipped to a rounded rectangle.
struct WidgetCanvas {
  foundation::Size size;
  double contentMargin = 16;
  double cornerRadius = 21.7;

  // Home-screen sizes of the larger phones, then of the smaller ones.
  static constexpr foundation::Size systemSmallSize{170, 170};
  static constexpr foundation::Size systemMediumSize{364, 170};
  static constexpr foundation::Size compactSystemSmallSize{158, 158};
  static constexpr foundation::Size compactSystemMediumSize{338, 158};

  foundation::Rect bounds() const { return {{0, 0}, size}; }
  // Where the content is laid out: the bounds inset by the margin (never negative).
  foundation::Rect contentRect() const;

  friend bool operator==(const WidgetCanvas&, const WidgetCanvas&) = default;
};

}  // namespace ui
