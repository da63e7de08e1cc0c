#include "ui/widget_canvas.hpp"

#include <algorithm>

namespace ui {

foundation::Rect WidgetCanvas::contentRect() const {
  const double margin = std::max(0.0, contentMargin);
  const double width = std::max(0.0, size.width - 2 * margin);
  const double height = std::max(0.0, size.height - 2 * margin);
  return {{(size.width - width) / 2, (size.height - height) / 2}, {width, height}};
}

}  // namespace ui
