#include <gtest/gtest.h>

#include <cmath>

#include "layout_test_support.hpp"
#include "ui/layout/hit_test.hpp"
#include "ui/view/view.hpp"

namespace {

using ui::testing::environment;
using ui::testing::measurer;

// A text with its settings offered a size, and the lines it shows. At half an em a character is
// 8.5 wide at body size and 11 at title2.
struct FitCase {
  const char* what;
  std::string text;
  ui::Font font;
  std::optional<int> lineLimit;
  double minimumScale;
  foundation::Size offered;
  std::vector<std::string> lines;
  ui::TextFit fit;
};

TEST(LayoutText, wrapsShrinksThenTruncatesWithinTheLinesItMayTake) {
  const double nan = std::nan("");
  const ui::Font title = ui::Font::title2.bold(), body = ui::Font::body;
  const std::string ten = "ABCDEFGHIJ";
  const FitCase cases[] = {
      {"fits", ten, title, 1, 0.7, {200, 100}, {ten}, {}},
      {"exactly", ten, title, 1, 0.7, {110, 100}, {ten}, {}},
      {"shrinks", ten, title, 1, 0.7, {88, 100}, {ten}, {0.8, 1, false}},
      {"to the factor", ten, title, 1, 0.7, {77, 100}, {ten}, {0.7, 1, false}},
      // At 15.4 pt a character is 7.7 wide: six and the ellipsis take 53.9.
      {"then truncates", ten, title, 1, 0.7, {60, 100}, {"ABCDEF\u2026"}, {0.7, 1, true}},
      // A line 22 high shrinks into a lower room too; below the factor it overflows uncut.
      {"shrinks to the height", ten, title, 1, 0.7, {200, 17.6}, {ten}, {0.8, 1, false}},
      {"too low", ten, title, 1, 0.7, {200, 10}, {ten}, {0.7, 1, false}},
      {"only the ellipsis", ten, title, 1, 0.7, {7.7, 100}, {"\u2026"}, {0.7, 1, true}},
      // Narrower than the ellipsis: it shows all the same, wider than the room; never nothing.
      {"not even that", ten, title, 1, 0.7, {5, 100}, {"\u2026"}, {0.7, 1, true}},
      {"zero width", ten, title, 1, 0.7, {0, 100}, {"\u2026"}, {0.7, 1, true}},
      {"negative width", ten, title, 1, 0.7, {-3, 100}, {"\u2026"}, {0.7, 1, true}},
      {"NaN size", ten, title, 1, 0.7, {nan, nan}, {"\u2026"}, {0.7, 1, true}},
      {"a factor outside 0...1", ten, title, 1, -1, {60, 100}, {"ABCD\u2026"}, {1, 1, true}},
      {"no limit wraps", "AB CD EF", body, {}, 1, {30, 100}, {"AB", "CD", "EF"}, {1, 3, false}},
      {"two lines", "AB CD EF", body, 2, 1, {30, 100}, {"AB", "CD\u2026"}, {1, 2, true}},
      {"the height holds two", "AB CD EF", body, {}, 1, {30, 40}, {"AB", "CD\u2026"}, {1, 2, true}},
      {"long words break", "ABCDEFGH", body, {}, 1, {30, 100}, {"ABC", "DEF", "GH"}, {1, 3, false}},
      {"line breaks stay", "AB\nCD", body, {}, 1, {1000, 100}, {"AB", "CD"}, {1, 2, false}},
      {"empty", "", body, {}, 1, {30, 100}, {""}, {}},
      {"malformed UTF-8", "A\xC3(", body, 1, 1, {100, 100}, {"A\uFFFD("}, {}},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.what);
    ui::View view = ui::Text::verbatim(c.text).font(c.font).minimumScaleFactor(c.minimumScale);
    if (c.lineLimit) view = view.lineLimit(c.lineLimit);
    const ui::LayoutNode node = ui::layout(view, c.offered, environment(), measurer());
    const auto& text = std::get<ui::TextLayout>(node.content);
    std::vector<std::string> lines;
    double widest = 0;
    for (const ui::typesetting::TextLine& line : text.lines) {
      lines.push_back(line.text);
      widest = std::max(widest, line.width);
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_NEAR(text.fit.scale, c.fit.scale, 1e-9);
    EXPECT_EQ(text.fit.lineCount, c.fit.lineCount);
    EXPECT_EQ(text.fit.truncated, c.fit.truncated);
    EXPECT_NEAR(node.frame.size.width, widest, 1e-9);
    EXPECT_NEAR(node.frame.size.height, text.lineHeight * static_cast<double>(lines.size()), 1e-9);
  }
}

TEST(LayoutText, shrinksWrappedLinesAlignsRightToLeftAndBoundsHugeTexts) {
  auto fitted = [](const ui::View& view, foundation::Size offered) {
    return std::get<ui::TextLayout>(ui::layout(view, offered, environment(), measurer()).content);
  };
  // Two lines, "AB CD" and "EF", need characters of 6 points: 0.706 of body size. The limit
  // and the factor reach the text from the stack around it.
  const ui::View stack =
      ui::VStack({ui::Text::verbatim("AB CD EF")}).minimumScaleFactor(0.5).lineLimit(2);
  const ui::LayoutNode shrunk = ui::layout(stack, {30, 100}, environment(), measurer());
  const auto& two = std::get<ui::TextLayout>(shrunk.children.at(0).content);
  EXPECT_EQ(two.text, "AB CD\nEF");
  EXPECT_NEAR(two.fit.scale, 30.0 / 42.5, 2e-3);
  EXPECT_LE(two.fit.scale, 30.0 / 42.5);

  const auto rtl = fitted(ui::Text::verbatim("\u05D0\u05D1\u05D2 \u05D3"), {30, 100});
  ASSERT_EQ(rtl.lines.size(), 2u);
  EXPECT_EQ(rtl.lines[0].x, 0);
  EXPECT_EQ(rtl.lines[1].x, 17);  // aligned right

  // 100,000 characters: the first thousand are laid out, then "…".
  const auto cut = fitted(ui::Text::verbatim(std::string(100000, 'A')), {85, 1e9});
  EXPECT_EQ(cut.lines.size(), 101u);
  EXPECT_EQ(cut.lines.back().text, "\u2026");
}

TEST(LayoutStack, sharesSpaceLeastFlexibleFirstAndAlignsAcrossTheAxis) {
  // Two 8.5-point characters each side (17 wide). Too narrow, the spacer keeps its minimum and
  // each text in turn gets a share of the rest, and wraps in it.
  auto row = [](std::optional<double> spacing, std::optional<double> spacerMin) {
    return ui::HStack(ui::VerticalAlignment::center, spacing,
                      {ui::Text::verbatim("AB"), ui::Spacer(spacerMin), ui::Text::verbatim("CD")});
  };
  const struct {
    double width;
    ui::View view;
    std::string frames;
  } cases[] = {
      {100, row({}, {}),
       "stack 0 0 100 17; text AB 0 0 17 17; spacer 25 8.5 50 0; text CD 83 0 17 17"},
      {100, row(0, 20),
       "stack 0 0 100 17; text AB 0 0 17 17; spacer 17 8.5 66 0; text CD 83 0 17 17"},
      {42, row({}, {}),
       "stack 0 0 42 34; text A\nB 0 0 8.5 34; spacer 16.5 17 9 0; text C\nD 33.5 0 8.5 34"},
      {100,
       ui::VStack(ui::HorizontalAlignment::trailing, 4.0,
                  {ui::Text::verbatim("A"), ui::Text::verbatim("ABC")}),
       "stack 0 0 25.5 38; text A 17 0 8.5 17; text ABC 0 21 25.5 17"},
      // An unknown symbol takes no room; a label then shows its gap and title only.
      {100, ui::Label("X", "no.such.symbol"),
       "label 0 0 14.5 17; symbol no.such.symbol 0 8.5 0 0; text X 6 0 8.5 17"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::testing::flatten(ui::layout(c.view, {c.width, 50}, environment(), measurer())),
              c.frames);
  }
}

TEST(LayoutStack, deepNestingStaysFast) {
  // Each stack asks its children three times; without remembered answers this would take 3^20
  // measurements.
  ui::View view = ui::Text::verbatim("A");
  for (int depth = 0; depth < 20; ++depth) {
    view = ui::HStack({view, ui::Spacer(), ui::Text::verbatim("B")});
  }
  EXPECT_EQ(ui::layout(view, {1000, 100}, environment(), measurer()).frame.size.width, 1000);
}

TEST(HitTest, theInnermostLinkWins) {
  const auto outer = *foundation::URL::string("pocketta://outer");
  const auto inner = *foundation::URL::string("pocketta://inner");
  const ui::LayoutNode tree{ui::LinkLayout{outer},
                            {{0, 0}, {100, 100}},
                            {{ui::StackLayout{},
                              {{0, 0}, {100, 100}},
                              {{ui::LinkLayout{inner}, {{10, 10}, {20, 20}}, {}}}}}};
  EXPECT_EQ(ui::hitTest(tree, {15, 15}), inner);
  EXPECT_EQ(ui::hitTest(tree, {50, 50}), outer);
  EXPECT_EQ(ui::hitTest(tree, {30, 30}), outer);  // trailing edges are outside the inner link
  EXPECT_EQ(ui::hitTest(tree, {100, 50}), std::nullopt);
}

}  // namespace
