#include "ui/render_display_list.hpp"

#include "ui/layout/widget_layout.hpp"

namespace ui {

DisplayList renderDisplayList(const View& view, const WidgetCanvas& canvas,
                              const RenderOptions& options) {
  return displayList(layoutWidget(view, canvas, options), options.redacted);
}

}  // namespace ui
