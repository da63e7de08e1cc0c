#pragma once

// The two halves of PngEncoder, apart so that each can be measured on its own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"

namespace ui::detail {

struct EncodedBackground;
class BackgroundPainter;

// Straight (not premultiplied) 8-bit RGBA, rows top to bottom: a picture, or a band of its rows.
struct RgbaImage {
  int width = 0;
  int height = 0;
  // The rows, packed; or with pngRows, each behind a PNG filter byte (0), as the encoder
  // compresses them, so that it needs no copy of them.
  std::vector<std::uint8_t> pixels;
  bool pngRows = false;
  std::size_t rowStride() const { return static_cast<std::size_t>(width) * 4 + (pngRows ? 1 : 0); }
  const std::uint8_t* row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * rowStride() + (pngRows ? 1 : 0);
  }
  // The cached widget background the picture was drawn on, if any: the encoder reuses its
  // compressed rows wherever the picture still equals it.
  std::shared_ptr<EncodedBackground> background;
  // The picture's row that is this image's first (0 for a whole picture).
  int firstRow = 0;
  // Per row: whether it still equals the background's (empty without a background).
  std::vector<bool> backgroundRows;
};

// A picture's size in device pixels, and the scale it is drawn at (clamped to 0.25...8).
struct PictureFrame {
  int width = 1;
  int height = 1;
  double scale = 1;
};
PictureFrame pictureFrame(const WidgetCanvas& canvas, double scale);

// The container background of a picture, when the list opens with one that is a single gradient
// over the whole canvas, ready for all of its bands: the cache's kept rendering where there is
// one, else a painter. Each call counts as one use of that background in `cache` (none: nothing
// is kept).
struct PictureBackground {
  std::shared_ptr<EncodedBackground> kept;
  std::shared_ptr<const BackgroundPainter> painter;
};
class BackgroundCache;
PictureBackground pictureBackground(const DisplayList& list, const WidgetCanvas& canvas,
                                    const PictureFrame& frame, BackgroundCache* cache);

// Draws rows [first, last) of the picture into `image` (frame.width x (last - first) pixels),
// laid out as `pngRows` says. The pixels are the same whichever rows are drawn together, so a
// picture can be drawn in bands.
void rasterizeRows(const DisplayList& list, const WidgetCanvas& canvas, const PictureFrame& frame,
                   int first, int last, const PictureBackground& background, RgbaImage& image,
                   bool pngRows = false);

// The whole picture of the list at `scale` device pixels per point, as PngEncoder draws it.
RgbaImage rasterize(const DisplayList& list, const WidgetCanvas& canvas, double scale,
                    BackgroundCache* cache = nullptr);

// The PNG file of the image. The same image gives the same bytes.
std::vector<std::uint8_t> encodeRgba(const RgbaImage& image);

}  // namespace ui::detail
