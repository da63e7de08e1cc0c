#pragma once

#include <optional>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/layout/layout.hpp"
#include "ui/render_options.hpp"

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

WidgetLayout layoutWidget(const View& view, const WidgetCanvas& canvas,
                          const LayoutEnvironment& env);
// With the renderer's own fonts and the options' appearance, direction and lookup.
WidgetLayout layoutWidget(const View& view, const WidgetCanvas& canvas,
                          const RenderOptions& options);

// Back to front: the background clipped to the canvas's rounded corners, then the content.
// Redacted, every text becomes a rounded bar of its width in its colour.
DisplayList displayList(const WidgetLayout& layout, bool redacted);

}  // namespace ui
