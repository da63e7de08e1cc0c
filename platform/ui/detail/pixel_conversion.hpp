#pragma once

// Private to the ui library: Cairo's pixels to the PNG's.

#include "ui/detail/raster.hpp"

namespace ui::detail {

struct EncodedBackground;

// Turns the image's native-endian premultiplied ARGB pixels into straight RGBA bytes in place,
// and records in `backgroundRows` which rows still equal `background`'s (none without one).
void toStraightRgba(const EncodedBackground* background, RgbaImage& image);

}  // namespace ui::detail
