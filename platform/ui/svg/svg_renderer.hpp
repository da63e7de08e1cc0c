#pragma once

#include <string>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"

namespace ui {

// An SVG document of the canvas in points. Each link is an <a href> around its content and its
// region, so its destination opens when the picture is clicked in a browser.
std::string renderSvg(const DisplayList& list, const WidgetCanvas& canvas);

}  // namespace ui
