#include <png.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "layout_widget_tree.hpp"
#include "ui/detail/raster.hpp"
#include "ui/png_encoder.hpp"
#include "ui/render_display_list.hpp"
#include "ui/widget_layout.hpp"

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

std::optional<Image> decode(const std::vector<std::uint8_t>& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  Image out{static_cast<int>(image.width), static_cast<int>(image.height),
            std::vector<std::uint8_t>(PNG_IMAGE_SIZE(image))};
  if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return out;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Fonts rasterise a little differently across FreeType and Cairo versions; a real change of the
// picture moves far more than this many pixels by far more than this much.
constexpr int kChannelTolerance = 48;
constexpr double kMaxDifferingFraction = 0.004;

struct Golden {
  const char* name;
  foundation::Size size;
  const char* locale;
  ui::ColorScheme scheme;
  ui::LayoutDirection direction;
  bool redacted;
};

TEST(GoldenPng, widgetMatchesItsGoldens) {
  const Golden goldens[] = {
      {"small_en_US", ui::WidgetCanvas::systemSmallSize, "en_US", ui::ColorScheme::light,
       ui::LayoutDirection::leftToRight, false},
      {"medium_en_US", ui::WidgetCanvas::systemMediumSize, "en_US", ui::ColorScheme::light,
       ui::LayoutDirection::leftToRight, false},
      // A comma for decimals, in the dark appearance.
      {"small_de_DE_dark", ui::WidgetCanvas::systemSmallSize, "de_DE", ui::ColorScheme::dark,
       ui::LayoutDirection::leftToRight, false},
      // Arabic digits and signs, laid out right to left.
      {"medium_ar_EG", ui::WidgetCanvas::systemMediumSize, "ar_EG", ui::ColorScheme::light,
       ui::LayoutDirection::rightToLeft, false},
      {"small_redacted", ui::WidgetCanvas::systemSmallSize, "en_US", ui::ColorScheme::light,
       ui::LayoutDirection::leftToRight, true},
  };
  const bool update = std::getenv("POCKETTA_UPDATE_GOLDENS") != nullptr;
  for (const Golden& g : goldens) {
    SCOPED_TRACE(g.name);
    const ui::View tree = ui::testing::widgetTree(1234.56, 30.5, 16, g.locale);
    const ui::WidgetCanvas canvas{g.size};
    ui::RenderOptions options;
    options.colorScheme = g.scheme;
    options.layoutDirection = g.direction;
    options.redacted = g.redacted;
    const std::vector<std::uint8_t> png =
        ui::encodePng(ui::renderDisplayList(tree, canvas, options), canvas, 1);
    const std::string base = std::string(POCKETTA_TEST_DATA_DIR) + "/golden_" + g.name;
    if (update) {
      writeFile(base + ".png", png);
      continue;
    }
    const std::optional<Image> expected = decode(readFile(base + ".png"));
    const std::optional<Image> actual = decode(png);
    ASSERT_TRUE(actual.has_value());
    bool same = expected && expected->width == actual->width && expected->height == actual->height;
    std::size_t differing = 0;
    if (same) {
      for (std::size_t i = 0; i < actual->rgba.size(); i += 4) {
        for (std::size_t c = 0; c < 4; ++c) {
          if (std::abs(actual->rgba[i + c] - expected->rgba[i + c]) > kChannelTolerance) {
            ++differing;
            break;
          }
        }
      }
      same = static_cast<double>(differing) <=
             kMaxDifferingFraction * static_cast<double>(actual->rgba.size() / 4);
    }
    if (!same) writeFile(base + ".actual.png", png);
    EXPECT_TRUE(same) << (expected ? "" : "golden missing or unreadable; ") << differing
                      << " pixels differ; wrote " << base << ".actual.png";
  }
}

TEST(GoldenPng, sameInputGivesIdenticalBytesAtEveryScale) {
  const ui::View tree = ui::testing::widgetTree(277, 30, 16, "en_US");
  for (double scale : {1.0, 2.0, 3.0}) {
    for (foundation::Size size :
         {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
      const ui::WidgetCanvas canvas{size};
      const auto first = ui::encodePng(ui::renderDisplayList(tree, canvas, {}), canvas, scale);
      const auto second = ui::encodePng(ui::renderDisplayList(tree, canvas, {}), canvas, scale);
      EXPECT_EQ(first, second) << scale;
      const std::optional<Image> image = decode(first);
      ASSERT_TRUE(image.has_value());
      EXPECT_EQ(image->width, static_cast<int>(size.width * scale));
      EXPECT_EQ(image->height, static_cast<int>(size.height * scale));
      // The rounded corners are transparent, the middle opaque.
      EXPECT_EQ(image->rgba[3], 0);
      const std::size_t middle =
          (static_cast<std::size_t>(image->height / 2) * static_cast<std::size_t>(image->width) +
           static_cast<std::size_t>(image->width / 2)) *
          4;
      EXPECT_EQ(image->rgba[middle + 3], 255);
    }
  }
}

TEST(GoldenPng, reusedBackgroundRowsGiveTheSameBytesAsFreshOnes) {
  for (bool redacted : {false, true}) {
    const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
    ui::RenderOptions options;
    options.redacted = redacted;
    const ui::DisplayList list =
        ui::renderDisplayList(ui::testing::widgetTree(277, 30, 16, "en_US"), canvas, options);
    // A background is kept from its second use on.
    EXPECT_EQ(ui::detail::rasterize(list, canvas, 2).pixels,
              ui::detail::rasterize(list, canvas, 2).pixels);
    ui::detail::RgbaImage image = ui::detail::rasterize(list, canvas, 2);
    ASSERT_NE(image.background, nullptr);
    const std::vector<std::uint8_t> reused = ui::detail::encodeRgba(image);
    image.background = nullptr;
    EXPECT_EQ(reused, ui::detail::encodeRgba(image));
    const std::optional<Image> decoded = decode(reused);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->rgba, image.pixels);
  }
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
