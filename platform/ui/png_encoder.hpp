#pragma once

#include <cstdint>
#include <vector>

#include "ui/display_list.hpp"
#include "ui/widget_canvas.hpp"

namespace ui {

// Rasterises the list at `scale` device pixels per point (clamped to 0.25...8) and encodes a
// PNG (8-bit RGBA, straight alpha: the corners outside the rounded rectangle are transparent).
// The same input gives the same bytes. Throws FontSetError when the font set cannot be loaded.
std::vector<std::uint8_t> encodePng(const DisplayList& list, const WidgetCanvas& canvas,
                                    double scale);

}  // namespace ui
