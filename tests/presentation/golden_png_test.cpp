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
    const auto png =
        ui::encodePng(ui::renderDisplayList(widget(1234.56, 30.5, 16), canvas, options), canvas, 1);
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

TEST(GoldenPng, sameInputGivesIdenticalBytesAtEveryScale) {
  UserLocale locale("en_US");
  const ui::View tree = widget(277, 30, 16);
  for (double scale : {1.0, 2.0, 3.0}) {
    for (foundation::Size size :
         {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
      const ui::WidgetCanvas canvas{size};
      const auto first = ui::encodePng(ui::renderDisplayList(tree, canvas, {}), canvas, scale);
      EXPECT_EQ(first, ui::encodePng(ui::renderDisplayList(tree, canvas, {}), canvas, scale));
      int width = 0, height = 0;
      const auto image = decode(first, &width, &height);
      ASSERT_TRUE(image.has_value());
      EXPECT_EQ(width, static_cast<int>(size.width * scale));
      EXPECT_EQ(height, static_cast<int>(size.height * scale));
      // The rounded corners are transparent, the middle opaque.
      EXPECT_EQ((*image)[3], 0);
      EXPECT_EQ((*image)[(static_cast<std::size_t>(height / 2 * width + width / 2)) * 4 + 3], 255);
    }
  }
}

TEST(GoldenPng, reusedBackgroundRowsGiveTheSameBytesAsFreshOnes) {
  UserLocale locale("en_US");
  for (bool redacted : {false, true}) {
    const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
    ui::RenderOptions options;
    options.redacted = redacted;
    const ui::DisplayList list = ui::renderDisplayList(widget(277, 30, 16), canvas, options);
    // A background is kept from its second use on.
    EXPECT_EQ(ui::detail::rasterize(list, canvas, 2).pixels,
              ui::detail::rasterize(list, canvas, 2).pixels);
    ui::detail::RgbaImage image = ui::detail::rasterize(list, canvas, 2);
    ASSERT_NE(image.background, nullptr);
    const std::vector<std::uint8_t> reused = ui::detail::encodeRgba(image);
    image.background = nullptr;
    EXPECT_EQ(reused, ui::detail::encodeRgba(image));
    EXPECT_EQ(decode(reused), image.pixels);
  }
}

TEST(GoldenPng, picturesDrawnTogetherGiveTheBytesOfPicturesDrawnAlone) {
  UserLocale locale("en_US");
  const ui::View tree = widget(277, 30, 16);
  std::vector<ui::PngPicture> pictures;
  for (ui::ColorScheme scheme : {ui::ColorScheme::light, ui::ColorScheme::dark}) {
    for (foundation::Size size :
         {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
      ui::RenderOptions options;
      options.colorScheme = scheme;
      const ui::WidgetCanvas canvas{size};
      pictures.push_back({ui::renderDisplayList(tree, canvas, options), canvas, 2.5});
    }
  }
  pictures.push_back(pictures.back());  // two threads after the same kept background
  // Backgrounds not yet seen, then seen once, then kept: each round gives the same bytes.
  const std::vector<std::vector<std::uint8_t>> first = ui::encodePngs(pictures);
  ASSERT_EQ(first.size(), pictures.size());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    EXPECT_EQ(first[i], ui::encodePng(pictures[i].list, pictures[i].canvas, 2.5)) << i;
  }
  EXPECT_EQ(ui::encodePngs(pictures), first);
  EXPECT_EQ(ui::encodePngs(pictures), first);
  EXPECT_TRUE(ui::encodePngs({}).empty());
}

TEST(GoldenPng, badScalesAndSizesStillGiveAPicture) {
  const ui::DisplayList list = {ui::FillRoundedRect{{{0, 0}, {10, 10}}, 3, {1, 0, 0, 1}}};
  for (auto [size, scale] : {std::pair{foundation::Size{10, 10}, std::nan("")},
                             std::pair{foundation::Size{10, 10}, -2.0},
                             std::pair{foundation::Size{std::nan(""), -4}, 1.0},
                             std::pair{foundation::Size{0, 0}, 1e9}}) {
    EXPECT_TRUE(decode(ui::encodePng(list, ui::WidgetCanvas{size}, scale)).has_value());
  }
}

}  // namespace
