#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/raster/png_decoder.hpp"

namespace ui {

namespace detail {
class BackgroundCache;
template <class Buffers>
class BufferPool;
struct Scratch;
}  // namespace detail

// One picture: a list drawn on its canvas at `scale` device pixels per point (clamped to
// 0.25...8).
struct PngPicture {
  DisplayList list;
  WidgetCanvas canvas;
  double scale = 1;
  friend bool operator==(const PngPicture&, const PngPicture&) = default;
};

// Draws pictures as PNG files (8-bit RGBA, straight alpha: the corners outside the rounded
// rectangle are transparent), each band of rows drawn and compressed as one task, the tasks of a
// call shared by a few threads (the caller's first). It keeps what later pictures can use again:
// the widget backgrounds it has drawn and compressed, and the threads' buffers and compressors. A
// host keeps one for all its pictures. Thread-safe.
//
// The bytes are a function of the picture alone: the same whatever was drawn before, whichever
// thread drew which band, and however many pictures are drawn at once.
class PngEncoder {
 public:
  PngEncoder();
  ~PngEncoder();
  PngEncoder(const PngEncoder&) = delete;
  PngEncoder& operator=(const PngEncoder&) = delete;

  // `maxThreads` bounds the threads of one call (0: as many as help, at most four); a caller
  // that already draws on every core asks for 1. Throws FontSetError when a face cannot be
  // loaded, for the first picture in order that failed.
  std::vector<std::uint8_t> encode(const PngPicture& picture, unsigned maxThreads = 0);
  std::vector<std::vector<std::uint8_t>> encode(std::span<const PngPicture> pictures,
                                                unsigned maxThreads = 0);

 private:
  std::unique_ptr<detail::BackgroundCache> backgrounds_;
  std::unique_ptr<detail::BufferPool<detail::Scratch>> scratch_;
};

// A picture given as its pixels (one read back, a picture of differences) as a PNG file.
std::vector<std::uint8_t> encodePixels(const DecodedPng& picture);

}  // namespace ui
