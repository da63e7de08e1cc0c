#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/raster/png_decoder.hpp"

namespace ui {

// How far an actual picture may stray from the expected one and still match. A pixel differs
// when one of its channels, alpha-premultiplied, changed by more than `threshold` (0 to 1 of the
// channel's range): below it lies the anti-aliasing of edges, which a FreeType or pixman update
// moves by a few levels. A picture matches with at most `allowedPixels` differing pixels.
//
// The defaults catch a one-character change in any text, even at one pixel per point: a glyph
// that changes turns pixels of its strokes from the background's colour to the text's, changes
// of most of the range, and a change of a single pixel fails.
struct PictureTolerance {
  double threshold = 0.1;
  std::size_t allowedPixels = 0;
  friend bool operator==(const PictureTolerance&, const PictureTolerance&) = default;
};

// Pixels, from the top-left corner.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// How an actual picture differs from the expected one.
struct PictureDifference {
  bool sizesDiffer = false;
  // Past the threshold; where the sizes differ, every pixel of the larger picture.
  std::size_t differingPixels = 0;
  // The largest change of a channel over all pixels, 0 to 1.
  double largestChange = 0;
  // Around the differing pixels; empty when none differs.
  PixelRect bounds;

  bool within(const PictureTolerance& tolerance) const {
    return !sizesDiffer && differingPixels <= tolerance.allowedPixels;
  }
  friend bool operator==(const PictureDifference&, const PictureDifference&) = default;
};

PictureDifference comparePictures(const DecodedPng& expected, const DecodedPng& actual,
                                  double threshold);

// A picture of where they differ, large enough for both: the expected picture faded to a light
// grey, each differing pixel red, each pixel changed by less than the threshold yellow, and what
// only one of the two pictures covers magenta.
DecodedPng differencePicture(const DecodedPng& expected, const DecodedPng& actual,
                             double threshold);

}  // namespace ui
