#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ui/detail/raster.hpp"
#include "ui/font_set.hpp"
#include "ui/text/text_shaper.hpp"

namespace {

using ui::text::FaceName;
using W = ui::ResolvedFont::Weight;
using D = ui::ResolvedFont::Design;

const ui::ResolvedFont kRegular{17, W::regular, D::proportional, false};
const ui::ResolvedFont kBold{17, W::bold, D::proportional, false};
const ui::ResolvedFont kMono{17, W::regular, D::monospaced, false};

TEST(TextEngine, eachScriptDrawsFromAFaceThatHasIt) {
  struct Row {
    const char* text;
    ui::ResolvedFont font;
    FaceName face;
    bool embolden;
  };
  const Row rows[] = {
      {"Balance", kRegular, FaceName::sansRegular, false},
      {"Баланс", kRegular, FaceName::sansRegular, false},
      {"Ισοζύγιο", kRegular, FaceName::sansRegular, false},
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
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto line = ui::text::shapeLine(row.text, row.font);
    ASSERT_FALSE(line->runs.empty());
    for (const auto& run : line->runs) {
      EXPECT_EQ(run.face, row.face);
      EXPECT_EQ(run.embolden, row.embolden);
      for (const auto& glyph : run.glyphs) EXPECT_NE(glyph.id, 0u);
    }
    EXPECT_GT(line->width, 0);
  }
  // A character no face has: the primary face's missing-glyph box, which takes room.
  const auto missing = ui::text::shapeLine("A\U000F0000", kRegular);
  EXPECT_EQ(missing->runs.back().face, FaceName::sansRegular);
  EXPECT_EQ(missing->runs.back().glyphs.back().id, 0u);
  EXPECT_GT(missing->width, ui::text::shapeLine("A", kRegular)->width);
}

// Where the glyph of `c` (drawn alone) stands in `line`, in em from its left edge.
double xOf(const ui::text::ShapedLine& line, const char* c) {
  const auto alone = ui::text::shapeLine(c, kRegular);
  const auto& want = alone->runs.at(0);
  for (const auto& run : line.runs) {
    for (const auto& glyph : run.glyphs) {
      if (run.face == want.face && glyph.id == want.glyphs.at(0).id) return glyph.x;
    }
  }
  ADD_FAILURE() << "no glyph for " << c;
  return -1;
}

TEST(TextEngine, rightToLeftAmountsKeepTheirDigitsLeftToRight) {
  struct Row {
    const char* text;
    const char* left;  // drawn left of `right`
    const char* right;
  };
  const Row rows[] = {
      // Hebrew: the shekel sign ends the paragraph, so it stands on the left.
      {"\u200F1,234.50\u00A0\u20AA", "\u20AA", "1"},
      {"\u200F1,234.50\u00A0\u20AA", "1", "5"},
      // Arabic: the pound's letters after the Arabic-Indic digits, which still read left to right.
      {"\u061C\u0661\u066C\u0662\u0663\u0664\u066B\u0665\u0660\u00A0\u062C.\u0645.", "\u062C",
       "\u0661"},
      {"\u061C\u0661\u066C\u0662\u0663\u0664\u066B\u0665\u0660\u00A0\u062C.\u0645.", "\u0661",
       "\u0662"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.left) + " before " + row.right);
    const auto line = ui::text::shapeLine(row.text, kRegular);
    EXPECT_TRUE(line->rightToLeft);
    EXPECT_LT(xOf(*line, row.left), xOf(*line, row.right));
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

TEST(TextEngine, boldWithoutABoldFaceIsEmboldened) {
  for (const char* text : {"元", "शेष", "A"}) {
    SCOPED_TRACE(text);
    EXPECT_GT(ink(text, kBold), 1.15 * ink(text, kRegular));
  }
}

TEST(TextEngine, twoThreadsShapeAndDrawAtOnce) {
  // Fresh strings, so both threads open faces and shape at the same time.
  auto draw = [](const char* salt) {
    const std::string text = std::string("شيء 元 शेष ") + salt;
    return ink(text.c_str(), kBold) + ink(text.c_str(), kRegular);
  };
  double first = 0, second = 0;
  std::thread other([&] { first = draw("x"); });
  second = draw("x");
  other.join();
  EXPECT_EQ(first, second);
}

TEST(TextEngine, aMissingOrDamagedFontFileIsNamed) {
  for (const std::string& file : {std::string("/nonexistent/Font.ttf"),
                                  std::string(POCKETTA_SOURCE_DIR) + "/CMakeLists.txt"}) {
    try {
      ui::checkFontFile(file);
      ADD_FAILURE() << file << " was taken for a font";
    } catch (const ui::FontSetError& error) {
      EXPECT_NE(std::string(error.what()).find(file), std::string::npos) << error.what();
    }
  }
  EXPECT_NO_THROW(ui::loadFontSet());
}

}  // namespace
