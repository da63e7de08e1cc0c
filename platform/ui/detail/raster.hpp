#pragma once

// The two halves of encodePng, apart so that each can be measured on its own.

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/display_list.hpp"
#include "ui/widget_canvas.hpp"

namespace ui::detail {

struct EncodedBackground;

// Straight (not premultiplied) 8-bit RGBA, rows top to bottom without padding.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  // The cached widget background the picture was drawn on, if any: the encoder reuses its
  // compressed rows wherever the picture still equals it.
  std::shared_ptr<EncodedBackground> background;
  // Per row: whether it still equals the background's (empty without a background).
  std::vector<bool> backgroundRows;
};

// Draws the list at `scale` device pixels per point, as encodePng does.
RgbaImage rasterize(const DisplayList& list, const WidgetCanvas& canvas, double scale);

// The same into `image`, reusing its pixel buffer: a picture at @3x is megabytes, and fresh
// pages for it cost more than drawing it, so a thread keeps one image from render to render.
void rasterizeInto(const DisplayList& list, const WidgetCanvas& canvas, double scale,
                   RgbaImage& image);

// The PNG file of the image. The same image gives the same bytes.
std::vector<std::uint8_t> encodeRgba(const RgbaImage& image);

}  // namespace ui::detail
