// What the check reads from a picture's pixels: WCAG contrast, the pixels behind each text run,
// the content the rounded corners cut away or that lies outside the margins, missing glyphs.
#include <gtest/gtest.h>

#include "ui/display/display_list.hpp"
#include "ui/inspection/contrast.hpp"
#include "ui/inspection/picture_inspection.hpp"
#include "ui/typesetting/text_measurer.hpp"

namespace {

using foundation::Rect;
using ui::RGBA;

constexpr RGBA kWhite{1, 1, 1, 1};
constexpr RGBA kBlack{0, 0, 0, 1};

ui::RGBA grey(int value) {
  return {value / 255.0, value / 255.0, value / 255.0, 1};
}

TEST(Contrast, isTheWcagRatioOfRelativeLuminances) {
  EXPECT_DOUBLE_EQ(ui::contrastRatio(kWhite, kBlack), 21);
  EXPECT_DOUBLE_EQ(ui::contrastRatio(kBlack, kWhite), 21);
  EXPECT_DOUBLE_EQ(ui::contrastRatio(kWhite, kWhite), 1);
  // Published figures: #767676 on white is the lightest grey that passes 4.5:1, #777777 fails.
  EXPECT_NEAR(ui::contrastRatio(grey(0x76), kWhite), 4.54, 0.005);
  EXPECT_NEAR(ui::contrastRatio(grey(0x77), kWhite), 4.48, 0.005);
  // Pure red on white 4:1, on black 5.25:1.
  EXPECT_NEAR(ui::contrastRatio({1, 0, 0, 1}, kWhite), 4.0, 0.005);
  EXPECT_NEAR(ui::contrastRatio({1, 0, 0, 1}, kBlack), 5.25, 0.005);
  // Half-transparent white on black is the grey it blends to.
  const RGBA blended = ui::composite({1, 1, 1, 0.5}, kBlack);
  EXPECT_DOUBLE_EQ(blended.red, 0.5);
  EXPECT_DOUBLE_EQ(blended.opacity, 1);
}

// A widget canvas of 100 x 100 points with 10-point margins and square corners unless given.
ui::WidgetCanvas canvas(double cornerRadius = 0) {
  return {{100, 100}, 10, cornerRadius};
}

ui::TextRun text(const std::string& shown, RGBA color, Rect rect) {
  static const ui::ShapingTextMeasurer measurer;
  const ui::ResolvedFont font{17, ui::ResolvedFont::Weight::bold};
  const ui::TextMetrics metrics = measurer.measure(shown, font);
  return {shown,          font,
          color,          {rect.origin, {metrics.width, metrics.height()}},
          metrics.ascent, measurer.shape(shown, font)};
}

TEST(PictureInspector, measuresEachTextAgainstThePixelsBehindItsGlyphs) {
  const ui::PictureInspector inspector;
  // Left half white, right half black, the text drawn in grey across both, with the text's own
  // colour nowhere behind it.
  const ui::DisplayList list{
      ui::FillRoundedRect{{{0, 0}, {50, 100}}, 0, kWhite},
      ui::FillRoundedRect{{{50, 0}, {50, 100}}, 0, kBlack},
      text("WWW", grey(0x76), {{22, 20}, {}}),
      text("W", kWhite, {{60, 60}, {}}),
      text("W", kWhite, {{15, 60}, {}}),
  };
  const ui::PictureInspection seen = inspector.inspect(list, 2, canvas(), 2);
  ASSERT_EQ(seen.contrast.size(), 3u);
  EXPECT_EQ(seen.contrast[0].item, 2u);
  // Across both halves, the lowest is against white.
  EXPECT_NEAR(seen.contrast[0].ratio, 4.54, 0.01);
  EXPECT_EQ(seen.contrast[0].background, kWhite);
  EXPECT_DOUBLE_EQ(seen.contrast[1].ratio, 21);  // white on black
  EXPECT_DOUBLE_EQ(seen.contrast[2].ratio, 1);   // white on white
  EXPECT_TRUE(seen.outsideMargins.empty());
  EXPECT_TRUE(seen.underCorners.empty());
}

TEST(PictureInspector, findsContentOutsideTheMarginsAndUnderTheCornersOnlyWhereItIsDrawn) {
  const ui::PictureInspector inspector;
  const RGBA backdrop{0.2, 0.2, 0.2, 1};
  // Content exactly filling the content rect, on a backdrop that covers the whole canvas: none.
  const ui::DisplayList inside{ui::FillRoundedRect{{{0, 0}, {100, 100}}, 20, backdrop},
                               ui::FillRoundedRect{{{10, 10}, {80, 80}}, 0, kWhite}};
  const ui::PictureInspection clean = inspector.inspect(inside, 1, canvas(20), 2);
  EXPECT_TRUE(clean.outsideMargins.empty());
  EXPECT_TRUE(clean.underCorners.empty());

  // A square from the canvas's corner: outside the margins along two 10-point bands, and under
  // the rounded corner where the outline curves away.
  const ui::DisplayList corner{ui::FillRoundedRect{{{0, 0}, {100, 100}}, 20, backdrop},
                               ui::FillRoundedRect{{{0, 0}, {30, 30}}, 0, kWhite}};
  const ui::PictureInspection found = inspector.inspect(corner, 1, canvas(20), 2);
  ASSERT_EQ(found.outsideMargins.size(), 1u);
  EXPECT_EQ(found.outsideMargins[0].item, 1u);
  // 30 x 30 less the 20 x 20 inside the content rect, at 2 x 2 pixels a point.
  EXPECT_EQ(found.outsideMargins[0].pixels, (900u - 400u) * 4);
  EXPECT_EQ(found.outsideMargins[0].bounds, (Rect{{0, 0}, {30, 30}}));
  EXPECT_DOUBLE_EQ(found.outsideMargins[0].distance, 9.75);
  ASSERT_EQ(found.underCorners.size(), 1u);
  EXPECT_GT(found.underCorners[0].pixels, 0u);
  EXPECT_EQ(found.underCorners[0].bounds.origin, (foundation::Point{0, 0}));
  EXPECT_LT(found.underCorners[0].pixels, found.outsideMargins[0].pixels / 4);
  // The same square on a canvas with square corners: nothing is cut away.
  EXPECT_TRUE(inspector.inspect(corner, 1, canvas(0), 2).underCorners.empty());
}

TEST(PictureInspector, countsTheMissingGlyphBoxesOfARunAndFindsWhereTheContentStarts) {
  ui::TextRun run = text("A\U000F0000\U000F0001", kWhite, {});
  EXPECT_EQ(ui::missingGlyphs(run), 2u);
  EXPECT_EQ(ui::missingGlyphs(text("Balance", kWhite, {})), 0u);
  run.shaped = {};
  EXPECT_EQ(ui::missingGlyphs(run), 0u);

  ui::RenderEnvironment environment;
  const ui::DisplayList withBackground{ui::ContainerBackground{{}, 0, 2}, ui::Symbol{},
                                       ui::Symbol{}, ui::Symbol{}};
  EXPECT_EQ(ui::contentStart(withBackground, environment), 3u);
  const ui::DisplayList plain{ui::Symbol{}};
  EXPECT_EQ(ui::contentStart(plain, environment), 0u);
  environment.backdrop = kBlack;
  EXPECT_EQ(ui::contentStart(plain, environment), 1u);
}

}  // namespace
