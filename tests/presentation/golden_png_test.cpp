#include <png.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ui/raster/background_cache.hpp"
#include "ui/raster/png_encoder.hpp"
#include "ui/raster/raster.hpp"
#include "widget_test_support.hpp"

namespace {

using pocketta::testing::shapingMeasurer;
using pocketta::testing::widget;

// Straight RGBA rows, or nothing when the bytes are not a PNG.
std::optional<std::vector<std::uint8_t>> decode(const std::vector<std::uint8_t>& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return std::nullopt;
  return rgba;
}

// Anti-aliased edges may move a few levels between FreeType and Cairo versions; a changed glyph,
// digit or icon moves several pixels by far more, so it is caught.
constexpr int kChannelTolerance = 40;
constexpr std::size_t kMaxDifferingPixels = 3;

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
  const bool update = std::getenv("POCKETTA_UPDATE_GOLDENS") != nullptr;
  ui::PngEncoder encoder;
  std::vector<ui::PngPicture> pictures;
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
    const std::string base = std::string(POCKETTA_TEST_DATA_DIR) + "/golden_" + g.name;
    auto write = [&](const std::string& path) {
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(png.data()),
                 static_cast<std::streamsize>(png.size()));
    };
    if (update) {
      write(base + ".png");
      continue;
    }
    std::ifstream in(base + ".png", std::ios::binary);
    const auto expected = decode({std::istreambuf_iterator<char>(in), {}});
    const auto actual = decode(png);
    ASSERT_TRUE(actual.has_value());
    std::size_t differing = expected && expected->size() == actual->size() ? 0 : actual->size();
    for (std::size_t i = 0; differing < actual->size() && i < actual->size(); i += 4) {
      auto far = [&](std::size_t c) {
        return std::abs((*actual)[c] - (*expected)[c]) > kChannelTolerance;
      };
      differing += far(i) || far(i + 1) || far(i + 2) || far(i + 3) ? 1 : 0;
    }
    if (differing > kMaxDifferingPixels) write(base + ".actual.png");
    EXPECT_LE(differing, kMaxDifferingPixels) << "pixels differ; wrote " << base << ".actual.png";
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
    EXPECT_TRUE(decode(ui::PngEncoder().encode({list, ui::WidgetCanvas{size}, scale})).has_value());
  }
}

}  // namespace
