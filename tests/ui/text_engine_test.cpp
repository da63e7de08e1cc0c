#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/raster/background_cache.hpp"
#include "ui/raster/png_encoder.hpp"
#include "ui/raster/raster.hpp"
#include "ui/typesetting/font_set.hpp"
#include "ui/typesetting/shaper.hpp"

namespace {

using ui::typesetting::FaceName;
using W = ui::ResolvedFont::Weight;
using D = ui::ResolvedFont::Design;

const ui::ResolvedFont kRegular{17, W::regular, D::proportional, false};
const ui::ResolvedFont kBold{17, W::bold, D::proportional, false};
const ui::ResolvedFont kMono{17, W::regular, D::monospaced, false};

TEST(TextEngine, eachScriptDrawsFromAFaceThatHasIt) {
  const struct {
    const char* text;
    ui::ResolvedFont font;
    FaceName face;
    bool embolden;
  } rows[] = {
      {"Balance Баланс Ισοζύγιο", kRegular, FaceName::sansRegular, false},
      {"Balance", kBold, FaceName::sansBold, false},
      {"CNY", kMono, FaceName::monoRegular, false},
      {"שלום", kRegular, FaceName::wideRegular, false},
      {"رصيد", kBold, FaceName::wideBold, false},
      {"शेष", kRegular, FaceName::devanagari, false},
      {"ব্যালেন্স", kRegular, FaceName::bengali, false},
      {"元", kRegular, FaceName::cjk, false},
      {"元", kBold, FaceName::cjk, true},  // no bold design: emboldened
      {"ひらがなカタカナ", kRegular, FaceName::cjk, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto line = ui::typesetting::shapeLine(row.text, row.font);
    ASSERT_FALSE(line.runs.empty());
    for (const auto& run : line.runs) {
      EXPECT_EQ(run.face, row.face);
      EXPECT_EQ(run.embolden, row.embolden);
      for (const auto& glyph : run.glyphs) EXPECT_NE(glyph.id, 0u);
    }
    EXPECT_GT(line.width, 0);
  }
  // A character no face has: the primary face's missing-glyph box, which takes room.
  const auto missing = ui::typesetting::shapeLine("A\U000F0000", kRegular);
  EXPECT_EQ(missing.runs.back().face, FaceName::sansRegular);
  EXPECT_EQ(missing.runs.back().glyphs.back().id, 0u);
  EXPECT_GT(missing.width, ui::typesetting::shapeLine("A", kRegular).width);
}

// Where the glyph of `c` (drawn alone) stands in `line`, in em from its left edge.
double xOf(const ui::typesetting::ShapedLine& line, const char* c) {
  const auto alone = ui::typesetting::shapeLine(c, kRegular);
  const auto& want = alone.runs.at(0);
  for (const auto& run : line.runs) {
    for (const auto& glyph : run.glyphs) {
      if (run.face == want.face && glyph.id == want.glyphs.at(0).id) return glyph.x;
    }
  }
  ADD_FAILURE() << "no glyph for " << c;
  return -1;
}

TEST(TextEngine, rightToLeftAmountsKeepTheirDigitsLeftToRight) {
  // Each row's three characters, as drawn from left to right. Hebrew: the shekel sign ends the
  // paragraph, so it stands on the left; Arabic: the pound's letters after the Arabic-Indic
  // digits, which still read left to right.
  const std::pair<const char*, std::vector<const char*>> rows[] = {
      {"\u200F1,234.50\u00A0\u20AA", {"\u20AA", "1", "5"}},
      {"\u061C\u0661\u066C\u0662\u0663\u0664\u066B\u0665\u0660\u00A0\u062C.\u0645.",
       {"\u062C", "\u0661", "\u0662"}},
  };
  for (const auto& [text, order] : rows) {
    SCOPED_TRACE(order[1]);
    const auto line = ui::typesetting::shapeLine(text, kRegular);
    EXPECT_TRUE(line.rightToLeft);
    EXPECT_LT(xOf(line, order[0]), xOf(line, order[1]));
    EXPECT_LT(xOf(line, order[1]), xOf(line, order[2]));
  }
}

// The coverage a white text leaves on a transparent canvas, summed over its pixels.
double ink(const char* text, const ui::ResolvedFont& font) {
  const ui::DisplayList list = {ui::TextRun{text, font, {1, 1, 1, 1}, {{4, 4}, {40, 30}}, 20, {}}};
  const ui::detail::RgbaImage image = ui::detail::rasterize(list, ui::WidgetCanvas{{48, 40}}, 2);
  double sum = 0;
  for (std::size_t i = 3; i < image.pixels.size(); i += 4) sum += image.pixels[i];
  return sum;
}

TEST(TextEngine, twoThreadsDrawAtOnceAndBoldWithoutABoldFaceIsEmboldened) {
  // Fresh strings first, so both threads open faces and shape at the same time.
  auto draw = [](const char* salt) {
    const std::string text = std::string("شيء 元 शेष ") + salt;
    return ink(text.c_str(), kBold) + ink(text.c_str(), kRegular);
  };
  double first = 0, second = 0;
  std::thread other([&] { first = draw("x"); });
  second = draw("x");
  other.join();
  EXPECT_EQ(first, second);
  for (const char* text : {"元", "शेष", "A"}) {
    SCOPED_TRACE(text);
    EXPECT_GT(ink(text, kBold), 1.15 * ink(text, kRegular));
  }
}

TEST(TextEngine, aMissingOrDamagedFontFileIsNamed) {
  for (const std::string& file : {std::string("/nonexistent/Font.ttf"),
                                  std::string(POCKETTA_SOURCE_DIR) + "/CMakeLists.txt"}) {
    EXPECT_THAT([&] { ui::checkFontFile(file); },
                ::testing::ThrowsMessage<ui::FontSetError>(::testing::HasSubstr(file)));
  }
  EXPECT_NO_THROW(ui::loadFontSet());
}

// A canvas-covering gradient marked as the container background is painted by the rasteriser
// itself; the same gradient unmarked goes through cairo. Both must give the same picture, up to
// rounding.
TEST(BackgroundGradient, matchesCairosGradientFill) {
  const ui::RGBA green{0.2, 0.78, 0.35, 1}, black{0, 0, 0, 1}, clearBlue{0, 0.3, 1, 0.4},
      orange{1, 0.58, 0, 1};
  const struct {
    foundation::Size size;
    std::vector<ui::RGBA> colors;
    foundation::Point start, end;  // widget points
    double scale;
  } cases[] = {
      {{170, 170}, {green, black}, {0, 0}, {170, 170}, 3},
      {{364, 170}, {green, black}, {0, 0}, {364, 170}, 2},
      {{364, 170}, {black, green}, {364, 0}, {0, 170}, 1},  // right to left
      {{158, 158}, {green, clearBlue, orange}, {0, 79}, {158, 79}, 2},
      {{158, 158}, {orange}, {0, 0}, {0, 158}, 1},
      {{100, 60}, {green, black}, {40, 20}, {60, 40}, 3},  // padded beyond both ends
  };
  for (const auto& c : cases) {
    const ui::WidgetCanvas canvas{c.size};
    const ui::FillGradient fill{canvas.bounds(), 21.7, c.colors, c.start, c.end};
    const ui::DisplayList background{ui::ContainerBackground{canvas.bounds(), 21.7, 1}, fill};
    // Painted band by band for a PNG, it gives the bytes of the whole picture painted at once,
    // and of the background kept from an earlier use.
    const std::vector<std::uint8_t> banded = ui::PngEncoder().encode({background, canvas, c.scale});
    const ui::detail::RgbaImage painted = ui::detail::rasterize(background, canvas, c.scale);
    EXPECT_EQ(ui::detail::encodeRgba(painted), banded) << c.size.width << " @" << c.scale;
    ui::detail::BackgroundCache cache;
    ui::detail::rasterize(background, canvas, c.scale, &cache);
    const ui::detail::RgbaImage kept = ui::detail::rasterize(background, canvas, c.scale, &cache);
    EXPECT_NE(kept.background, nullptr);
    EXPECT_EQ(ui::detail::encodeRgba(kept), banded) << c.size.width << " @" << c.scale;
    const ui::detail::RgbaImage filled = ui::detail::rasterize({fill}, canvas, c.scale);
    ASSERT_EQ(painted.pixels.size(), filled.pixels.size());
    // Away from the corners, where cairo may antialias a corner alone a little differently from
    // the whole outline (the goldens show the corners), only the gradient's arithmetic counts.
    const int corner = static_cast<int>(std::ceil((21.7 * 1.28 + 1) * c.scale));
    int worst = 0;
    for (std::size_t i = 0; i < painted.pixels.size(); ++i) {
      const int x = static_cast<int>(i / 4) % painted.width,
                y = static_cast<int>(i / 4) / painted.width;
      if ((x < corner || x >= painted.width - corner) &&
          (y < corner || y >= painted.height - corner))
        continue;
      // Compared premultiplied: a nearly transparent edge pixel's straight colour is noise.
      auto premultiplied = [i](const std::vector<std::uint8_t>& p) {
        return i % 4 == 3 ? p[i] : p[i] * p[i - i % 4 + 3] / 255;
      };
      worst =
          std::max(worst, std::abs(premultiplied(painted.pixels) - premultiplied(filled.pixels)));
    }
    EXPECT_LE(worst, 2) << c.size.width << " x " << c.size.height << " @" << c.scale;
  }
}

}  // namespace
