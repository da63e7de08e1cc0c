#include "ui/environment/widget_canvas.hpp"

#include <algorithm>
#include <cmath>

namespace ui {

foundation::Rect WidgetCanvas::contentRect() const {
  // NaN and negative lengths count as 0, so a bad canvas lays out as an empty one.
  auto length = [](double value) { return value > 0 && std::isfinite(value) ? value : 0.0; };
  const double outerWidth = length(size.width);
  const double outerHeight = length(size.height);
  const double margin = length(contentMargin);
  const double width = std::max(0.0, outerWidth - 2 * margin);
  const double height = std::max(0.0, outerHeight - 2 * margin);
  return {{(outerWidth - width) / 2, (outerHeight - height) / 2}, {width, height}};
}

}  // namespace ui
