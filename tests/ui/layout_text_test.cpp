#include <gtest/gtest.h>

#include "layout_test_support.hpp"
#include "ui/view.hpp"

namespace {

using ui::testing::environment;

struct Fitted {
  std::string text;
  double pointSize;
  double width;
};

Fitted fit(const ui::View& view, double width) {
  const ui::LayoutNode node = ui::layout(view, {width, 100}, environment());
  const auto& text = std::get<ui::TextLayout>(node.content);
  return {text.text, text.font.pointSize, node.frame.size.width};
}

TEST(LayoutText, shrinksDownToTheFactorThenTruncatesAtTheTail) {
  // Ten characters of 11 points at 22 pt: 110 wide. The balance line's settings.
  const ui::View balance = ui::Text::verbatim("ABCDEFGHIJ")
                               .font(ui::Font::title2.bold())
                               .minimumScaleFactor(0.7)
                               .lineLimit(1);
  struct Case {
    double width;
    Fitted expected;
  };
  const Case cases[] = {
      {200, {"ABCDEFGHIJ", 22, 110}},  // fits: natural size
      {110, {"ABCDEFGHIJ", 22, 110}},  // exactly
      {88, {"ABCDEFGHIJ", 17.6, 88}},  // shrinks to 80 %
      {77, {"ABCDEFGHIJ", 15.4, 77}},  // shrinks to the factor, still whole
      // At 15.4 pt a character is 7.7 wide: six and the ellipsis take 53.9.
      {60, {"ABCDEF\u2026", 15.4, 53.9}},
      {7.7, {"\u2026", 15.4, 7.7}},  // only the ellipsis
      {5, {"", 15.4, 0}},            // not even that
      {0, {"", 15.4, 0}},
      {-3, {"", 15.4, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    const Fitted got = fit(balance, c.width);
    EXPECT_EQ(got.text, c.expected.text);
    EXPECT_NEAR(got.pointSize, c.expected.pointSize, 1e-9);
    EXPECT_NEAR(got.width, c.expected.width, 1e-9);
  }
}

TEST(LayoutText, withoutAScaleFactorTruncatesAtFullSizeAndNeverWraps) {
  const ui::View plain = ui::Text::verbatim("ABCDEFGHIJ").font(ui::Font::title2);
  const Fitted got = fit(plain, 60);  // 11 per character: four and the ellipsis
  EXPECT_EQ(got.text, "ABCD\u2026");
  EXPECT_EQ(got.pointSize, 22);
  const ui::LayoutNode node = ui::layout(plain, {60, 1000}, environment());
  EXPECT_EQ(node.frame.size.height, 22);  // one line, though the height would hold many
}

TEST(LayoutText, scaleFactorAndFontAreInheritedFromEnclosingViews) {
  // The factor set on a stack reaches the text inside; a factor outside 0...1 is ignored.
  const ui::View inherited = ui::VStack({ui::Text::verbatim("ABCDEFGHIJ")})
                                 .minimumScaleFactor(0.5)
                                 .font(ui::Font::caption);
  const ui::LayoutNode node = ui::layout(inherited, {30, 100}, environment());
  const auto& text = std::get<ui::TextLayout>(node.children.at(0).content);
  EXPECT_EQ(text.text, "ABCDEFGHIJ");
  EXPECT_DOUBLE_EQ(text.font.pointSize, 6);  // caption 12 shrunk to 50 %

  const ui::View bogus = ui::Text::verbatim("ABCDEFGHIJ").minimumScaleFactor(-1);
  EXPECT_EQ(fit(bogus, 60).pointSize, 17);  // body, unshrunk
}

TEST(LayoutText, localizesKeysThroughTheEnvironment) {
  ui::LayoutEnvironment env = environment();
  env.localize = [](std::string_view key) {
    return key == "CNY" ? std::string("юань") : std::string(key);
  };
  const ui::LayoutNode node =
      ui::layout(ui::Text("CNY", std::nullopt, std::nullopt, std::nullopt), {100, 100}, env);
  EXPECT_EQ(std::get<ui::TextLayout>(node.content).text, "юань");
  EXPECT_EQ(node.frame.size.width, 4 * 8.5);  // four code points at body size
}

TEST(LayoutStack, sharesSpaceLeastFlexibleFirstAndSpacersTakeTheRest) {
  struct Case {
    std::optional<double> spacing;
    std::optional<double> spacerMin;
    double width;
    std::vector<ui::testing::FrameRow> frames;
  };
  // Two 8.5-point characters each side (17 wide).
  const Case cases[] = {
      {std::nullopt,
       std::nullopt,
       100,
       {{"stack", 0, 0, 100, 17},
        {"text AB", 0, 0, 17, 17},
        {"spacer", 25, 8.5, 50, 0},
        {"text CD", 83, 0, 17, 17}}},
      {0.0,
       20.0,
       100,
       {{"stack", 0, 0, 100, 17},
        {"text AB", 0, 0, 17, 17},
        {"spacer", 17, 8.5, 66, 0},
        {"text CD", 83, 0, 17, 17}}},
      // Too narrow: the spacer keeps its minimum; each text in turn gets a share of the rest.
      {std::nullopt,
       std::nullopt,
       42,
       {{"stack", 0, 0, 42, 17},
        {"text …", 0, 0, 8.5, 17},
        {"spacer", 16.5, 8.5, 9, 0},
        {"text …", 33.5, 0, 8.5, 17}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    const ui::View row =
        ui::HStack(ui::VerticalAlignment::center, c.spacing,
                   {ui::Text::verbatim("AB"), ui::Spacer(c.spacerMin), ui::Text::verbatim("CD")});
    EXPECT_EQ(ui::testing::flatten(ui::layout(row, {c.width, 50}, environment())), c.frames);
  }
}

TEST(LayoutStack, alignsChildrenAcrossTheAxis) {
  const ui::View column = ui::VStack(ui::HorizontalAlignment::trailing, 4.0,
                                     {ui::Text::verbatim("A"), ui::Text::verbatim("ABC")});
  EXPECT_EQ(
      ui::testing::flatten(ui::layout(column, {100, 100}, environment())),
      (std::vector<ui::testing::FrameRow>{
          {"stack", 0, 0, 25.5, 38}, {"text A", 17, 0, 8.5, 17}, {"text ABC", 0, 21, 25.5, 17}}));
  // An unknown symbol takes no room; a label then shows its gap and title only.
  const ui::View label = ui::Label("X", "no.such.symbol");
  EXPECT_EQ(ui::testing::flatten(ui::layout(label, {100, 100}, environment())),
            (std::vector<ui::testing::FrameRow>{{"label", 0, 0, 14.5, 17},
                                                {"symbol no.such.symbol", 0, 8.5, 0, 0},
                                                {"text X", 6, 0, 8.5, 17}}));
}

TEST(LayoutStack, deepNestingStaysFast) {
  // Each stack asks its children three times; without remembered answers this would take 3^20
  // measurements.
  ui::View view = ui::Text::verbatim("A");
  for (int depth = 0; depth < 20; ++depth) {
    view = ui::HStack({view, ui::Spacer(), ui::Text::verbatim("B")});
  }
  const ui::LayoutNode node = ui::layout(view, {1000, 100}, environment());
  EXPECT_EQ(node.frame.size.width, 1000);
}

}  // namespace
