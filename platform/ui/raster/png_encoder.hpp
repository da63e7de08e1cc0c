#pragma once

#include <cstdint>
#include <vector>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"

namespace ui {

// Rasterises the list at `scale` device pixels per point (clamped to 0.25...8) and encodes a
// PNG (8-bit RGBA, straight alpha: the corners outside the rounded rectangle are transparent).
// The same input gives the same bytes. Throws FontSetError when the font set cannot be loaded.
std::vector<std::uint8_t> encodePng(const DisplayList& list, const WidgetCanvas& canvas,
                                    double scale);

// One picture to encode with encodePngs.
struct PngPicture {
  DisplayList list;
  WidgetCanvas canvas;
  double scale = 1;
  friend bool operator==(const PngPicture&, const PngPicture&) = default;
};

// Each picture as encodePng gives it, drawn and compressed at the same time, each on its own
// thread (the first on the caller's). The bytes do not depend on the number of threads; when no
// thread can be had, the pictures are encoded one after the other. Throws what encodePng throws,
// for the first picture in order that failed.
std::vector<std::vector<std::uint8_t>> encodePngs(const std::vector<PngPicture>& pictures);

}  // namespace ui
