#include "ui/detail/pixel_conversion.hpp"

#include <cstdint>
#include <cstring>

#include "ui/detail/background_cache.hpp"

namespace ui::detail {

// Cairo keeps native-endian premultiplied ARGB; PNG wants straight RGBA bytes. Converts the
// image's pixels in place (a second picture-sized buffer would cost more in fresh pages than the
// conversion itself), and marks the rows that still equal the background's.
void toStraightRgba(const EncodedBackground* background, RgbaImage& image) {
  const unsigned char* backgroundData =
      background != nullptr ? cairo_image_surface_get_data(background->surface.get()) : nullptr;
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  image.backgroundRows.assign(
      backgroundData != nullptr ? static_cast<std::size_t>(image.height) : 0, false);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * rowBytes;
    if (backgroundData != nullptr) {
      image.backgroundRows[static_cast<std::size_t>(y)] =
          std::memcmp(row, backgroundData + static_cast<std::size_t>(y) * rowBytes, rowBytes) == 0;
    }
    for (std::size_t x = 0; x < rowBytes; x += 4) {
      std::uint32_t argb;
      std::memcpy(&argb, row + x, 4);
      const std::uint32_t a = argb >> 24;
      std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      if (a != 0 && a != 255) {
        r = (r * 255 + a / 2) / a;
        g = (g * 255 + a / 2) / a;
        b = (b * 255 + a / 2) / a;
      }
      row[x] = static_cast<std::uint8_t>(r);
      row[x + 1] = static_cast<std::uint8_t>(g);
      row[x + 2] = static_cast<std::uint8_t>(b);
      row[x + 3] = static_cast<std::uint8_t>(a);
    }
  }
}

}  // namespace ui::detail
