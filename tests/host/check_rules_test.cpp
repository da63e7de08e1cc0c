// Each of check's rules on a small constructed picture where it must fire, and one where it must
// not.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/cell_check.hpp"
#include "host/device.hpp"
#include "host/renderer.hpp"
#include "ui/inspection/picture_inspection.hpp"
#include "ui/typesetting/text_measurer.hpp"
#include "ui/view/view.hpp"

namespace {

using foundation::Rect;
using host::CheckFinding;
using host::CheckRule;
using ui::RGBA;

constexpr RGBA kWhite{1, 1, 1, 1};
constexpr RGBA kBlack{0, 0, 0, 1};

// A widget of 100 x 100 points, margins 10, square corners unless given, on a black backdrop.
ui::RenderEnvironment environment(ui::WidgetFamily family = ui::WidgetFamily::systemMedium,
                                  double cornerRadius = 0) {
  ui::RenderEnvironment environment;
  environment.canvas = {{100, 100}, 10, cornerRadius};
  environment.widgetFamily = family;
  environment.backdrop = kBlack;
  environment.displayScale = 2;
  return environment;
}

ui::ResolvedFont font(double size) {
  return {size, ui::ResolvedFont::Weight::regular};
}

// A laid-out text that shows `shown` in `frame`, fitted as `fit` says.
ui::LayoutNode placed(const std::string& shown, Rect frame, ui::TextFit fit = {},
                      double size = 17) {
  ui::TextLayout text;
  text.text = shown;
  text.font = font(size);
  text.fit = fit;
  return {text, frame, {}};
}

ui::WidgetLayout layoutOf(std::vector<ui::LayoutNode> texts) {
  ui::WidgetLayout layout;
  layout.content = {ui::StackLayout{}, {{10, 10}, {80, 80}}, std::move(texts)};
  return layout;
}

// The text drawn with the renderer's fonts at its place.
ui::TextRun run(const std::string& shown, RGBA color, foundation::Point at, double size = 17) {
  static const ui::ShapingTextMeasurer measurer;
  const ui::TextMetrics metrics = measurer.measure(shown, font(size));
  return {shown,          font(size),
          color,          {at, {metrics.width, metrics.height()}},
          metrics.ascent, measurer.shape(shown, font(size))};
}

// The list as the widget draws it: the backdrop, then the items.
ui::DisplayList drawn(std::vector<ui::DisplayItem> items) {
  ui::DisplayList list{ui::FillRoundedRect{{{0, 0}, {100, 100}}, 0, kBlack}};
  list.insert(list.end(), items.begin(), items.end());
  return list;
}

std::vector<CheckFinding> check(CheckRule rule, const ui::WidgetLayout& layout,
                                const ui::DisplayList& list,
                                const ui::RenderEnvironment& env = environment(),
                                double enlargement = 1) {
  static const ui::PictureInspector inspector;
  const CheckRule only[] = {rule};
  return host::checkPicture(layout, list, {env, enlargement}, host::CheckRules{}.with(only),
                            &inspector);
}

TEST(CheckRules, textFitRulesFollowHowEachTextWasMadeToFit) {
  const ui::WidgetLayout layout = layoutOf({
      placed("Balance", {{10, 10}, {60, 20}}),
      placed("CN¥12,8…", {{10, 30}, {60, 20}}, {0.7, 1, true}),
      placed("\u2026", {{10, 50}, {10, 20}}, {1, 1, true}),
      placed("two/lines", {{10, 70}, {60, 20}}, {1, 2, false}),
  });
  const auto truncated = check(CheckRule::truncated, layout, drawn({}));
  ASSERT_EQ(truncated.size(), 2u);
  EXPECT_EQ(truncated[0].subject, "CN¥12,8…");
  EXPECT_EQ(truncated[0].frame, (Rect{{10, 30}, {60, 20}}));
  EXPECT_EQ(truncated[0].detail, "cut at 70 % of its size");
  EXPECT_EQ(truncated[1].detail, "nothing left but \"…\"");
  const auto shrunk = check(CheckRule::shrunk, layout, drawn({}));
  ASSERT_EQ(shrunk.size(), 1u);
  EXPECT_DOUBLE_EQ(shrunk[0].figure, 70);
  const auto wrapped = check(CheckRule::wrapped, layout, drawn({}));
  ASSERT_EQ(wrapped.size(), 1u);
  EXPECT_EQ(wrapped[0].subject, "two/lines");
  EXPECT_EQ(wrapped[0].detail, "2 lines");
  // A text that fits as it is: none of them.
  const ui::WidgetLayout fits = layoutOf({placed("Balance", {{10, 10}, {60, 20}})});
  for (const CheckRule rule : {CheckRule::truncated, CheckRule::shrunk, CheckRule::wrapped}) {
    EXPECT_TRUE(check(rule, fits, drawn({})).empty());
  }
}

TEST(CheckRules, smallTextIsUnder11PointsAsThePhoneShowsIt) {
  const ui::WidgetLayout layout = layoutOf(
      {placed("11", {{10, 10}, {20, 20}}, {}, 11), placed("10.9", {{10, 30}, {20, 20}}, {}, 10.9)});
  const auto found = check(CheckRule::smallText, layout, drawn({}));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].subject, "10.9");
  EXPECT_EQ(found[0].detail, "10.9 pt (at least 11)");
  // StandBy shows the widget twice as large: 10.9 points there are 21.8.
  EXPECT_TRUE(check(CheckRule::smallText, layout, drawn({}), environment(), 2).empty());
}

TEST(CheckRules, missingGlyphsAreCountedInTheRunsDrawn) {
  const auto found = check(CheckRule::missingGlyph, layoutOf({}),
                           drawn({run("1\U000F0000\U000F0001", kWhite, {12, 12})}));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_DOUBLE_EQ(found[0].figure, 2);
  EXPECT_EQ(found[0].detail, "2 boxes");
  EXPECT_TRUE(
      check(CheckRule::missingGlyph, layoutOf({}), drawn({run("12", kWhite, {12, 12})})).empty());
}

TEST(CheckRules, contrastIsMeasuredOnThePixelsBehindEachRunAgainstTheWcagRatios) {
  const auto grey = [](double value) { return RGBA{value, value, value, 1}; };
  // #595959 on black is 3.0:1; #767676 is 4.5:1 (WCAG's published greys on white, mirrored).
  const ui::DisplayList list =
      drawn({run("Low", grey(0x59 / 255.0), {12, 12}), run("Fine", kWhite, {12, 40}),
             run("Big", grey(0x59 / 255.0), {12, 60}, 18)});
  const auto found = check(CheckRule::contrast, layoutOf({}), list);
  ASSERT_EQ(found.size(), 1u);  // 3:1 is enough for 18 points, not for 17
  EXPECT_EQ(found[0].subject, "Low");
  EXPECT_NEAR(found[0].figure, 3.0, 0.05);
  EXPECT_EQ(found[0].detail.substr(found[0].detail.find("(")), "(needs 4.5:1), #595959 on #000000");
  // White on black: 21:1, nothing to find.
  EXPECT_TRUE(
      check(CheckRule::contrast, layoutOf({}), drawn({run("W", kWhite, {12, 12})})).empty());
}

TEST(CheckRules, tapTargetsUnder44PointsAndTheLinksASmallWidgetIgnores) {
  const foundation::URL url = *foundation::URL::string("pocketta://add-income");
  const ui::DisplayList list = drawn(
      {ui::LinkRegion{{{10, 10}, {44, 20}}, url, 0}, ui::LinkRegion{{{10, 40}, {44, 44}}, url, 0}});
  const auto small = check(CheckRule::tapTarget, layoutOf({}), list);
  ASSERT_EQ(small.size(), 1u);
  EXPECT_EQ(small[0].subject, "pocketta://add-income");
  EXPECT_EQ(small[0].detail, "44 x 20 pt (at least 44 x 44)");
  EXPECT_TRUE(check(CheckRule::ignoredLink, layoutOf({}), list).empty());  // medium opens them

  const auto env = environment(ui::WidgetFamily::systemSmall);
  const auto ignored = check(CheckRule::ignoredLink, layoutOf({}), list, env);
  ASSERT_EQ(ignored.size(), 2u);
  EXPECT_EQ(ignored[0].detail, "a tap opens the app, not this link");
  // A small widget's links are not targets at all: the whole widget is.
  EXPECT_TRUE(check(CheckRule::tapTarget, layoutOf({}), list, env).empty());
}

TEST(CheckRules, contentUnderTheCornersOrOutsideTheMarginsIsFoundInItsPixels) {
  const ui::DisplayList inside = drawn(
      {ui::Symbol{"arrow.down.left", {{20, 20}, {20, 20}}, kWhite}, run("In", kWhite, {30, 60})});
  const auto env = environment(ui::WidgetFamily::systemMedium, 20);
  EXPECT_TRUE(check(CheckRule::margins, layoutOf({}), inside, env).empty());
  EXPECT_TRUE(check(CheckRule::corners, layoutOf({}), inside, env).empty());

  // A text run past the right margin, a square in the top-left corner.
  const ui::DisplayList outside = drawn(
      {run("Overflowing", kWhite, {40, 40}), ui::FillRoundedRect{{{0, 0}, {12, 12}}, 0, kWhite}});
  const auto margins = check(CheckRule::margins, layoutOf({}), outside, env);
  ASSERT_EQ(margins.size(), 2u);
  EXPECT_EQ(margins[0].subject, "Overflowing");
  EXPECT_GT(margins[0].figure, 0);
  EXPECT_EQ(margins[1].subject, "content");
  const auto corners = check(CheckRule::corners, layoutOf({}), outside, env);
  ASSERT_EQ(corners.size(), 1u);
  EXPECT_EQ(corners[0].subject, "content");
}

}  // namespace
