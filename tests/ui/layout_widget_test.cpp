#include <gtest/gtest.h>

#include "layout_test_support.hpp"
#include "layout_widget_tree.hpp"
#include "ui/widget_layout.hpp"

namespace {

using ui::testing::FrameRow;

using ui::testing::environment;

TEST(LayoutWidget, placesEveryFrameInBothFamilies) {
  // Content 62 high (header 12, balance 22, actions 12, two gaps of 8) centred in what the
  // 16-point margins leave: its top is at 16 + (138 - 62) / 2 = 54 in both families.
  struct Case {
    foundation::Size size;
    std::vector<FrameRow> frames;
  };
  const Case cases[] = {
      {ui::WidgetCanvas::systemSmallSize,
       {
           {"stack", 16, 54, 138, 62},
           {"stack", 16, 54, 138, 12},
           {"label", 16, 54, 66, 12},
           {"symbol wallet.bifold.fill", 16, 54, 12, 12},
           {"text POCKETTA", 34, 54, 48, 12},
           {"spacer", 90, 60, 39.5, 0},
           {"text CNY", 137.5, 54.5, 16.5, 11},
           {"text CN¥277.00", 16, 74, 99, 22},
           {"stack", 16, 104, 138, 12},
           {"link pocketta://add-income", 16, 104, 30, 12},
           {"label", 16, 104, 30, 12},
           {"symbol arrow.down.left", 16, 104, 12, 12},
           {"text 30", 34, 104, 12, 12},
           {"spacer", 54, 110, 62, 0},
           {"link pocketta://add-expense", 124, 104, 30, 12},
           {"label", 124, 104, 30, 12},
           {"symbol arrow.up.right", 124, 104, 12, 12},
           {"text 16", 142, 104, 12, 12},
       }},
      {ui::WidgetCanvas::systemMediumSize,
       {
           {"stack", 16, 54, 332, 62},
           {"stack", 16, 54, 332, 12},
           {"label", 16, 54, 66, 12},
           {"symbol wallet.bifold.fill", 16, 54, 12, 12},
           {"text POCKETTA", 34, 54, 48, 12},
           {"spacer", 90, 60, 233.5, 0},
           {"text CNY", 331.5, 54.5, 16.5, 11},
           {"text CN¥277.00", 16, 74, 99, 22},
           {"stack", 16, 104, 332, 12},
           {"link pocketta://add-income", 16, 104, 30, 12},
           {"label", 16, 104, 30, 12},
           {"symbol arrow.down.left", 16, 104, 12, 12},
           {"text 30", 34, 104, 12, 12},
           {"spacer", 54, 110, 256, 0},
           {"link pocketta://add-expense", 318, 104, 30, 12},
           {"label", 318, 104, 30, 12},
           {"symbol arrow.up.right", 318, 104, 12, 12},
           {"text 16", 336, 104, 12, 12},
       }},
  };
  const ui::View tree = ui::testing::widgetTree(277, 30, 16, "en_US");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size.width);
    const ui::WidgetLayout layout = ui::layoutWidget(tree, ui::WidgetCanvas{c.size}, environment());
    EXPECT_EQ(ui::testing::flatten(layout.content), c.frames);
    ASSERT_TRUE(layout.background.has_value());
    EXPECT_EQ(ui::testing::flatten(*layout.background),
              (std::vector<FrameRow>{{"gradient", 0, 0, c.size.width, c.size.height}}));
  }
}

TEST(LayoutWidget, spacersPushTheTrailingViewsToTheEdge) {
  // Whatever the amounts' widths, CNY and the expense link end at the content's trailing edge.
  const ui::View tree = ui::testing::widgetTree(5, 1234.5, 7, "en_US");
  for (foundation::Size size :
       {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize,
        ui::WidgetCanvas::compactSystemSmallSize, ui::WidgetCanvas::compactSystemMediumSize}) {
    const ui::WidgetCanvas canvas{size};
    const ui::WidgetLayout layout = ui::layoutWidget(tree, canvas, environment());
    const double trailing = canvas.contentRect().maxX();
    EXPECT_DOUBLE_EQ(ui::testing::find(layout.content, "CNY")->frame.maxX(), trailing)
        << size.width;
    EXPECT_DOUBLE_EQ(ui::testing::find(layout.content, "pocketta://add-expense")->frame.maxX(),
                     trailing);
    EXPECT_EQ(ui::testing::find(layout.content, "pocketta://add-income")->frame.minX(), 16);
  }
}

TEST(LayoutWidget, mirrorsForRightToLeft) {
  const ui::View tree = ui::testing::widgetTree(277, 30, 16, "en_US");
  const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
  const ui::WidgetLayout ltr = ui::layoutWidget(tree, canvas, environment());
  const ui::WidgetLayout rtl = ui::layoutWidget(
      tree, canvas, environment(ui::ColorScheme::light, ui::LayoutDirection::rightToLeft));
  for (const char* what : {"wallet.bifold.fill", "CNY", "pocketta://add-income", "30"}) {
    const foundation::Rect a = ui::testing::find(ltr.content, what)->frame;
    const foundation::Rect b = ui::testing::find(rtl.content, what)->frame;
    EXPECT_EQ(b.minX(), canvas.size.width - a.maxX()) << what;
    EXPECT_EQ(b.minY(), a.minY()) << what;
  }
  // The gradient's leading corner is on the right.
  const auto& gradient = std::get<ui::GradientLayout>(rtl.background->content);
  EXPECT_EQ(gradient.startPoint, (ui::UnitPoint{1, 0}));
  EXPECT_EQ(gradient.endPoint, (ui::UnitPoint{0, 1}));
}

TEST(LayoutWidget, foregroundStyleInnermostWinsInEachScheme) {
  const ui::View tree = ui::testing::widgetTree(277, 30, 16, "en_US");
  for (const ui::ColorScheme scheme : {ui::ColorScheme::light, ui::ColorScheme::dark}) {
    const ui::WidgetLayout layout = ui::layoutWidget(
        tree, ui::WidgetCanvas{ui::WidgetCanvas::systemSmallSize}, environment(scheme));
    auto textColor = [&](const char* text) {
      return std::get<ui::TextLayout>(ui::testing::find(layout.content, text)->content).color;
    };
    auto symbolColor = [&](const char* name) {
      return std::get<ui::SymbolLayout>(ui::testing::find(layout.content, name)->content).color;
    };
    const ui::RGBA white{1, 1, 1, 1};
    const ui::RGBA green = ui::resolve(ui::Color::green, scheme);
    const ui::RGBA orange = ui::resolve(ui::Color::orange, scheme);
    EXPECT_EQ(textColor("POCKETTA"), white);
    EXPECT_EQ(symbolColor("wallet.bifold.fill"), white);
    EXPECT_EQ(textColor("CNY"), white);
    EXPECT_EQ(textColor("CN¥277.00"), white);
    EXPECT_EQ(textColor("30"), green);
    EXPECT_EQ(symbolColor("arrow.down.left"), green);
    EXPECT_EQ(textColor("16"), orange);
    EXPECT_EQ(symbolColor("arrow.up.right"), orange);
  }
}

TEST(LayoutWidget, fontsComeFromTheTextOrTheNearestFontModifier) {
  const ui::View tree = ui::testing::widgetTree(277, 30, 16, "en_US");
  const ui::WidgetLayout layout =
      ui::layoutWidget(tree, ui::WidgetCanvas{ui::WidgetCanvas::systemSmallSize}, environment());
  auto font = [&](const char* text) {
    return std::get<ui::TextLayout>(ui::testing::find(layout.content, text)->content).font;
  };
  using W = ui::ResolvedFont::Weight;
  using D = ui::ResolvedFont::Design;
  EXPECT_EQ(font("POCKETTA"), (ui::ResolvedFont{12, W::bold, D::proportional, false}));
  EXPECT_EQ(font("CNY"), (ui::ResolvedFont{11, W::regular, D::monospaced, false}));
  EXPECT_EQ(font("CN¥277.00"), (ui::ResolvedFont{22, W::bold, D::proportional, false}));
  EXPECT_EQ(font("30"), (ui::ResolvedFont{12, W::regular, D::proportional, true}));
}

}  // namespace
