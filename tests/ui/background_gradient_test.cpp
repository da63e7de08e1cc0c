#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/detail/raster.hpp"
#include "ui/display_list.hpp"
#include "ui/widget_canvas.hpp"

namespace {

// A canvas-covering gradient first in the list is the widget background, which the rasteriser
// paints itself; the same gradient anywhere else goes through cairo. Both must give the same
// picture, up to rounding.
TEST(BackgroundGradient, matchesCairosGradientFill) {
  const ui::RGBA green{0.2, 0.78, 0.35, 1};
  const ui::RGBA black{0, 0, 0, 1};
  const ui::RGBA clearBlue{0, 0.3, 1, 0.4};
  const ui::RGBA orange{1, 0.58, 0, 1};
  struct Case {
    foundation::Size size;
    std::vector<ui::RGBA> colors;
    foundation::Point start, end;  // widget points
    double scale;
  };
  const Case cases[] = {
      {{170, 170}, {green, black}, {0, 0}, {170, 170}, 3},
      {{364, 170}, {green, black}, {0, 0}, {364, 170}, 2},
      {{364, 170}, {black, green}, {364, 0}, {0, 170}, 1},  // right to left
      {{158, 158}, {green, clearBlue, orange}, {0, 79}, {158, 79}, 2},
      {{158, 158}, {orange}, {0, 0}, {0, 158}, 1},
      {{100, 60}, {green, black}, {40, 20}, {60, 40}, 3},  // padded beyond both ends
  };
  for (const Case& c : cases) {
    const ui::WidgetCanvas canvas{c.size};
    const ui::FillGradient fill{canvas.bounds(), 21.7, c.colors, c.start, c.end};
    const ui::FillRoundedRect nothing{{{0, 0}, {0, 0}}, 0, {0, 0, 0, 0}};
    const ui::detail::RgbaImage painted = ui::detail::rasterize({fill}, canvas, c.scale);
    const ui::detail::RgbaImage filled = ui::detail::rasterize({nothing, fill}, canvas, c.scale);
    ASSERT_EQ(painted.pixels.size(), filled.pixels.size());
    // In the corners, where the outline is antialiased, cairo may rasterise a corner alone a
    // little differently from the whole outline; elsewhere only the gradient's arithmetic counts.
    const int corner = static_cast<int>(std::ceil((21.7 * 1.28 + 1) * c.scale));
    int worst[2] = {0, 0};  // inside, corners
    for (std::size_t i = 0; i < painted.pixels.size(); ++i) {
      // Compared premultiplied: a nearly transparent edge pixel's straight colour is noise.
      auto premultiplied = [i](const std::vector<std::uint8_t>& p) {
        return i % 4 == 3 ? p[i] : p[i] * p[i - i % 4 + 3] / 255;
      };
      const int difference = std::abs(premultiplied(painted.pixels) - premultiplied(filled.pixels));
      const int x = static_cast<int>(i / 4) % painted.width,
                y = static_cast<int>(i / 4) / painted.width;
      const bool inCorner = (x < corner || x >= painted.width - corner) &&
                            (y < corner || y >= painted.height - corner);
      worst[inCorner] = std::max(worst[inCorner], difference);
    }
    EXPECT_LE(worst[0], 2) << c.size.width << " x " << c.size.height << " @" << c.scale;
    EXPECT_LE(worst[1], 8) << c.size.width << " x " << c.size.height << " @" << c.scale;
  }
}

}  // namespace
