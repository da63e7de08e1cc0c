#pragma once

#include <optional>

#include "ui/environment/widget_canvas.hpp"
#include "ui/layout/layout.hpp"

namespace ui {

struct View;

// A widget laid out on its canvas, in widget points (origin at the canvas's top-left corner).
struct WidgetLayout {
  WidgetCanvas canvas;
  // The container background's content laid out over the whole canvas, if the view declares one.
  std::optional<LayoutNode> background;
  // The view laid out in the canvas's content rect and centred there.
  LayoutNode content;
  friend bool operator==(const WidgetLayout&, const WidgetLayout&) = default;
};

// Lays the view out on the environment's canvas: its content in the content rect, centred there,
// and its container background over the whole canvas, aligned as it declares.
WidgetLayout layoutWidget(const View& view, const RenderEnvironment& environment,
                          const TextMeasurer& measurer);

}  // namespace ui
