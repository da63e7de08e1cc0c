#include <png.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ui/detail/raster.hpp"
#include "ui/png_encoder.hpp"
#include "ui/render_display_list.hpp"
#include "widget_test_support.hpp"

namespace {

using pocketta::testing::UserLocale;
using pocketta::testing::widget;

// Straight RGBA rows, or nothing when the bytes are not a PNG.
std::optional<std::vector<std::uint8_t>> decode(const std::vector<std::uint8_t>& png,
                                                int* width = nullptr, int* height = nullptr) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) return std::nullopt;
  if (width != nullptr) *width = static_cast<int>(image.width);
  if (height != nullptr) *height = static_cast<int>(image.height);
  return rgba;
}

// Anti-aliased edges may move a few levels between FreeType and Cairo versions; a changed glyph,
// digit or icon moves several pixels by far more, so it is caught.
constexpr int kChannelTolerance = 40;
constexpr std::size_t kMaxDifferingPixels = 3;

TEST(GoldenPng, widgetMatchesItsGoldens) {
  struct Golden {
    const char* name;
    foundation::Size size;
    const char* locale;
    ui::ColorScheme scheme = ui::ColorScheme::light;
    ui::LayoutDirection direction = ui::LayoutDirection::leftToRight;
    bool redacted = false;
  };
  const auto small = ui::WidgetCanvas::systemSmallSize, medium = ui::WidgetCanvas::systemMediumSize;
  const Golden goldens[] = {
      {"small_en_US", small, "en_US"},
      {"medium_en_US", medium, "en_US"},
      {"small_de_DE_dark", small, "de_DE", ui::ColorScheme::dark},  // decimal comma, dark
      {"medium_ar_EG", medium, "ar_EG", {}, ui::LayoutDirection::rightToLeft},
      {"small_ja_JP", small, "ja_JP"},  // Han from the CJK face, emboldened
      {"small_redacted", small, "en_US", {}, {}, true},
  };
  const bool update = std::getenv("POCKETTA_UPDATE_GOLDENS") != nullptr;
  for (const Golden& g : goldens) {
    SCOPED_TRACE(g.name);
    UserLocale locale(g.locale);
    const ui::WidgetCanvas canvas{g.size};
    ui::RenderOptions options;
    options.colorScheme = g.scheme;
    options.layoutDirection = g.direction;
    options.redacted = g.redacted;
    const ui::DisplayList list = ui::renderDisplayList(widget(1234.56, 30.5, 16), canvas, options);
    const auto png = ui::encodePng(list, canvas, 1);
    // A kept background (from its second use on) gives the same bytes as a fresh one.
    ui::detail::RgbaImage image = ui::detail::rasterize(list, canvas, 1);
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
      for (std::size_t c = 0; c < 4; ++c) {
        if (std::abs((*actual)[i + c] - (*expected)[i + c]) > kChannelTolerance) {
          ++differing;
          break;
        }
      }
    }
    if (differing > kMaxDifferingPixels) write(base + ".actual.png");
    EXPECT_LE(differing, kMaxDifferingPixels) << "pixels differ; wrote " << base << ".actual.png";
  }
}

// Whatever the scale or size, a picture of the size asked for; a nonsense scale is the smallest
// (a quarter), a nonsense size a pixel.
TEST(GoldenPng, everyScaleAndSizeGivesAPictureOfItsSize) {
  UserLocale locale("en_US");
  const ui::View tree = widget(277, 30, 16);
  const struct {
    foundation::Size size;
    double scale;
    int width, height;
  } cases[] = {
      {ui::WidgetCanvas::systemSmallSize, 2, 340, 340},
      {ui::WidgetCanvas::systemMediumSize, 3, 1092, 510},
      {{10, 10}, std::nan(""), 3, 3},
      {{10, 10}, -2.0, 3, 3},
      {{std::nan(""), -4}, 1.0, 1, 1},
      {{0, 0}, 1e9, 1, 1},
  };
  for (const auto& c : cases) {
    const ui::WidgetCanvas canvas{c.size};
    const auto png = ui::encodePng(ui::renderDisplayList(tree, canvas, {}), canvas, c.scale);
    int width = 0, height = 0;
    const auto image = decode(png, &width, &height);
    ASSERT_TRUE(image.has_value()) << c.size.width << " @" << c.scale;
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(png, ui::encodePng(ui::renderDisplayList(tree, canvas, {}), canvas, c.scale));
  }
}

}  // namespace
