#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/golden_picture.hpp"
#include "ui/raster/background_cache.hpp"
#include "ui/raster/png_decoder.hpp"
#include "ui/raster/png_encoder.hpp"
#include "ui/raster/raster.hpp"
#include "widget_test_support.hpp"

namespace {

using pocketta::testing::shapingMeasurer;
using pocketta::testing::widget;

TEST(GoldenPng, widgetMatchesItsGoldens) {
  const auto small = ui::WidgetCanvas::systemSmallSize, medium = ui::WidgetCanvas::systemMediumSize;
  const auto light = ui::ColorScheme::light;
  const struct {
    const char* name;
    foundation::Size size;
    const char* locale;  // right to left in ar_EG
    ui::ColorScheme scheme;
    bool redacted;
  } goldens[] = {
      {"small_en_US", small, "en_US", light, false},
      {"medium_en_US", medium, "en_US", light, false},
      {"small_de_DE_dark", small, "de_DE", ui::ColorScheme::dark, false},  // decimal comma
      {"medium_ar_EG", medium, "ar_EG", light, false},
      {"small_ja_JP", small, "ja_JP", light, false},  // Han from the CJK face, emboldened
      {"small_redacted", small, "en_US", light, true},
  };
  ui::PngEncoder encoder;
  std::vector<ui::PngPicture> pictures;
  support::GoldenPictures kept(POCKETTA_TEST_DATA_DIR, support::goldenReportFolder());
  for (const auto& g : goldens) {
    SCOPED_TRACE(g.name);
    const ui::WidgetCanvas canvas{g.size};
    ui::RenderEnvironment environment = pocketta::testing::environment(g.locale, canvas);
    environment.colorScheme = g.scheme;
    environment.redacted = g.redacted;
    const ui::DisplayList list = ui::displayList(
        ui::layoutWidget(widget(1234.56, 30.5, 16), environment, shapingMeasurer()), environment);
    const auto png = encoder.encode({list, canvas, 1});
    pictures.push_back({list, canvas, 2.5});
    // A kept background (from its second use on) gives the same bytes as a fresh one.
    ui::detail::BackgroundCache cache;
    ui::detail::rasterize(list, canvas, 1, &cache);
    ui::detail::RgbaImage image = ui::detail::rasterize(list, canvas, 1, &cache);
    EXPECT_NE(image.background, nullptr);
    EXPECT_EQ(ui::detail::encodeRgba(image), png);
    image.background = nullptr;
    EXPECT_EQ(ui::detail::encodeRgba(image), png);
    kept.expectMatches(png, g.name,
                       {{"family", g.size == small ? "small" : "medium"},
                        {"locale", g.locale},
                        {"appearance", g.scheme == light ? "light" : "dark"},
                        {"redacted", g.redacted ? "yes" : "no"}});
  }
  // Drawn together, one thread each, the pictures give the bytes they give alone: backgrounds not
  // yet seen at this scale, then seen once, then kept; two after the same kept background; and
  // the same bytes from an encoder that has kept nothing.
  pictures.push_back(pictures.front());
  const std::vector<std::vector<std::uint8_t>> together = encoder.encode(pictures);
  ASSERT_EQ(together.size(), pictures.size());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    EXPECT_EQ(together[i], encoder.encode(pictures[i])) << i;
    EXPECT_EQ(together[i], ui::PngEncoder().encode(pictures[i], 1)) << i;
  }
  EXPECT_EQ(encoder.encode(pictures), together);
  EXPECT_TRUE(encoder.encode(std::span<const ui::PngPicture>()).empty());
}

TEST(GoldenPng, badScalesAndSizesStillGiveAPicture) {
  const ui::DisplayList list = {ui::FillRoundedRect{{{0, 0}, {10, 10}}, 3, {1, 0, 0, 1}}};
  for (auto [size, scale] : {std::pair{foundation::Size{10, 10}, std::nan("")},
                             std::pair{foundation::Size{10, 10}, -2.0},
                             std::pair{foundation::Size{std::nan(""), -4}, 1.0},
                             std::pair{foundation::Size{0, 0}, 1e9}}) {
    EXPECT_TRUE(ui::decodePng(ui::PngEncoder().encode({list, ui::WidgetCanvas{size}, scale})));
  }
}

}  // namespace
