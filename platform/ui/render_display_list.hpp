#pragma once

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/render_options.hpp"

namespace ui {

struct View;

// Lays out and builds the display list in one step, measuring with the renderer's fonts.
// Throws FontSetError when a face it needs cannot be opened.
DisplayList renderDisplayList(const View& view, const WidgetCanvas& canvas,
                              const RenderOptions& options);

}  // namespace ui
