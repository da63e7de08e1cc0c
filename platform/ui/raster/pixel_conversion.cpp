#include "ui/raster/pixel_conversion.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

#include "ui/raster/background_cache.hpp"
#include "ui/raster/encoded_background.hpp"

namespace ui::detail {

// Cairo keeps native-endian premultiplied ARGB; PNG wants straight RGBA bytes. Converts the
// image's pixels in place (a second picture-sized buffer would cost more in fresh pages than the
// conversion itself), and marks the rows that still equal the background's (the image's rows are
// the picture's from image.firstRow on).
void toStraightRgba(const EncodedBackground* background, std::size_t drawnAt, RgbaImage& image) {
  const unsigned char* backgroundData =
      background != nullptr ? cairo_image_surface_get_data(background->surface.get()) : nullptr;
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  image.backgroundRows.assign(
      backgroundData != nullptr ? static_cast<std::size_t>(image.height) : 0, false);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* drawn =
        image.pixels.data() + drawnAt + static_cast<std::size_t>(y) * rowBytes;
    if (backgroundData != nullptr) {
      image.backgroundRows[static_cast<std::size_t>(y)] =
          std::memcmp(drawn,
                      backgroundData + static_cast<std::size_t>(image.firstRow + y) * rowBytes,
                      rowBytes) == 0;
    }
    auto* row = const_cast<std::uint8_t*>(image.row(y));
    // Rows move toward the buffer's start, in order: a row's new place holds only bytes of rows
    // already moved or of its own old place.
    if (row != drawn) std::memmove(row, drawn, rowBytes);
    if (image.pngRows) row[-1] = 0;  // the PNG filter byte: none
    // Opaque and fully transparent pixels (nearly all) only change byte order; this loop has no
    // branch, so the compiler vectorises it. Partly transparent ones are put right after.
    std::uint32_t partial = 0;
    for (std::size_t x = 0; x < rowBytes; x += 4) {
      std::uint32_t argb;
      std::memcpy(&argb, row + x, 4);
      partial |= ((argb >> 24) + 1) & 0xFE;  // non-zero for alpha 1...254
      const std::uint32_t rgba =
          std::endian::native == std::endian::little
              ? (argb & 0xFF00FF00) | ((argb >> 16) & 0xFF) | ((argb & 0xFF) << 16)
              : (argb << 8) | (argb >> 24);
      std::memcpy(row + x, &rgba, 4);
    }
    if (partial == 0) continue;
    for (std::size_t x = 0; x < rowBytes; x += 4) {
      const std::uint32_t a = row[x + 3];
      if (a == 0 || a == 255) continue;
      for (std::size_t c = x; c < x + 3; ++c) {
        row[c] = static_cast<std::uint8_t>((row[c] * 255u + a / 2) / a);
      }
    }
  }
}

}  // namespace ui::detail
