#pragma once

// Private to the ui library: Cairo's pixels to the PNG's.

#include <cstddef>

#include "ui/raster/raster.hpp"

namespace ui::detail {

struct EncodedBackground;

// Turns the native-endian premultiplied ARGB rows cairo drew at `drawnAt` in image.pixels (packed)
// into the image's straight RGBA rows, moving each to its place (image.row(y), never past where
// it was drawn), and records in `backgroundRows` which rows still equal `background`'s (none
// without one).
void toStraightRgba(const EncodedBackground* background, std::size_t drawnAt, RgbaImage& image);

}  // namespace ui::detail
