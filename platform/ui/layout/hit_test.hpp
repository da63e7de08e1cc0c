#pragma once

#include <optional>

#include "foundation/geometry.hpp"
#include "foundation/url.hpp"
#include "ui/layout/widget_layout.hpp"

namespace ui {

// The destination of the innermost link whose frame contains `point` (widget points), if any.
std::optional<foundation::URL> hitTest(const WidgetLayout& layout, foundation::Point point);
std::optional<foundation::URL> hitTest(const LayoutNode& root, foundation::Point point);

}  // namespace ui
