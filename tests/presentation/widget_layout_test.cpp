#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "../ui/layout_test_support.hpp"
#include "ui/display/display_list.hpp"
#include "ui/layout/hit_test.hpp"
#include "ui/layout/text_style_table.hpp"
#include "ui/layout/widget_layout.hpp"
#include "ui/raster/raster.hpp"
#include "widget_test_support.hpp"

namespace {

using pocketta::testing::shapingMeasurer;
using pocketta::testing::widget;
using ui::testing::environment;
using ui::testing::measurer;
using ui::testing::node;

TEST(WidgetLayout, placesEveryFramePushesTrailingViewsToTheEdgeAndOnlyLinksAnswerTaps) {
  // Content 62 high (header 12, balance 22, actions 12, two gaps of 8) centred in what the
  // 16-point margins leave: its top is at 16 + (138 - 62) / 2 = 54.
  const ui::WidgetLayout small = ui::layoutWidget(
      widget(277, 30, 16), environment({ui::WidgetCanvas::systemSmallSize}), measurer());
  EXPECT_EQ(ui::testing::flatten(small.content),
            "stack 16 54 138 62; stack 16 54 138 12; label 16 54 66 12; "
            "symbol wallet.bifold.fill 16 54 12 12; text POCKETTA 34 54 48 12; "
            "spacer 90 60 39.5 0; text CNY 137.5 54.5 16.5 11; text CN¥277.00 16 74 99 22; "
            "stack 16 104 138 12; link pocketta://add-income 16 104 30 12; label 16 104 30 12; "
            "symbol arrow.down.left 16 104 12 12; text 30 34 104 12 12; spacer 54 110 62 0; "
            "link pocketta://add-expense 124 104 30 12; label 124 104 30 12; "
            "symbol arrow.up.right 124 104 12 12; text 16 142 104 12 12");
  EXPECT_EQ(ui::testing::flatten(*small.background), "gradient 0 0 170 170");
  // Right-to-left mirroring is the goldens' to show.

  const ui::View tree = widget(5, 1234.5, 7);
  for (foundation::Size size :
       {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize,
        ui::WidgetCanvas::compactSystemSmallSize, ui::WidgetCanvas::compactSystemMediumSize}) {
    SCOPED_TRACE(size.width);
    const ui::WidgetCanvas canvas{size};
    const ui::WidgetLayout ltr = ui::layoutWidget(tree, environment(canvas), measurer());
    const double trailing = canvas.contentRect().maxX();
    EXPECT_DOUBLE_EQ(node(ltr.content, "CNY").frame.maxX(), trailing);
    EXPECT_DOUBLE_EQ(node(ltr.content, "pocketta://add-expense").frame.maxX(), trailing);
    EXPECT_EQ(node(ltr.content, "pocketta://add-income").frame.minX(), 16);

    auto tap = [&](foundation::Rect r) {
      const auto url = ui::hitTest(ltr, {r.midX(), r.midY()});
      return url ? url->absoluteString() : std::string("none");
    };
    for (const std::string link : {"pocketta://add-income", "pocketta://add-expense"}) {
      const ui::LayoutNode& label = node(ltr.content, link).children.at(0);
      for (const ui::LayoutNode& part : label.children) EXPECT_EQ(tap(part.frame), link);
    }
    for (const char* what : {"POCKETTA", "CNY", "CN¥5.00"}) {
      EXPECT_EQ(tap(node(ltr.content, what).frame), "none") << what;
    }
    const foundation::Rect income = node(ltr.content, "pocketta://add-income").frame;
    EXPECT_EQ(tap({{income.maxX() + 1, income.minY()}, {0, 1}}), "none");  // just past the link
    EXPECT_EQ(tap({{-50, 1e9}, {0, 0}}), "none");
  }
}

// With the renderer's fonts, for large amounts.
TEST(WidgetLayout, largeAmountsWrapShrinkAndTruncateAsThePlatformDoes) {
  struct Case {
    foundation::Size size;
    double balance, income;
    const char* text;  // the node to look at, as shown
    ui::TextFit fit;
  };
  const Case cases[] = {
      // The income has no line limit: in the small widget it takes a second line.
      {ui::WidgetCanvas::systemSmallSize, 5, 1234567.891, "1,234,567\n.89", {1, 2, false}},
      {ui::WidgetCanvas::systemMediumSize, 5, 1234567.891, "1,234,567.89", {1, 1, false}},
      // The balance keeps to one line: it shrinks to 70 % and is then cut.
      {ui::WidgetCanvas::systemSmallSize, 1234567.5, 5, "CN¥1,234,567.50", {0.0, 1, false}},
      {ui::WidgetCanvas::systemSmallSize, 98765432.1, 5, "CN¥98,765,432.\u2026", {0.7, 1, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ui::WidgetLayout layout =
        ui::layoutWidget(widget(c.balance, c.income, 16), environment({c.size}), shapingMeasurer());
    const std::vector<ui::PlacedText> fits = ui::placedTexts(layout.content);
    const auto text = std::find_if(fits.begin(), fits.end(),
                                   [&](const ui::PlacedText& r) { return r.text == c.text; });
    ASSERT_NE(text, fits.end());
    EXPECT_EQ(fits.size(), 5u);
    // Scale 0 in the table: shrunk, by however much the fonts ask.
    EXPECT_EQ(text->fit.shrank(), c.fit.scale < 1);
    EXPECT_NEAR(text->fit.scale, c.fit.scale > 0 ? c.fit.scale : text->fit.scale, 1e-9);
    EXPECT_GE(text->fit.scale, 0.7);
    EXPECT_EQ(text->fit.lineCount, c.fit.lineCount);
    EXPECT_EQ(text->fit.truncated, c.fit.truncated);
  }
}

// Every text of the widget, drawn alone with the renderer's fonts, leaves no ink outside its
// line box (half a point of anti-aliasing aside), in the scripts the number formats produce.
TEST(WidgetRendering, everyTextIsDrawnInsideItsMeasuredFrame) {
  for (const char* id : {"en_US", "zh_CN", "ja_JP", "ru_RU", "de_DE", "ar_EG", "hi_IN", "bn_BD"}) {
    for (foundation::Size size :
         {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
      const ui::WidgetCanvas canvas{size};
      const ui::RenderEnvironment environment = pocketta::testing::environment(id, canvas);
      const ui::DisplayList list = ui::displayList(
          ui::layoutWidget(widget(98765.43, 1234567.891, 86.4), environment, shapingMeasurer()),
          environment);
      for (const ui::DisplayItem& item : list) {
        const auto* run = std::get_if<ui::TextRun>(&item);
        if (run == nullptr) continue;
        SCOPED_TRACE(std::string(id) + " " + run->text);
        const foundation::Rect box = run->rect;
        EXPECT_TRUE(box.minX() >= 0 && box.maxX() <= size.width && box.maxY() <= size.height);
        const ui::detail::RgbaImage image = ui::detail::rasterize({*run}, canvas, 2);
        int outside = 0;
        for (int y = 0; y < image.height; ++y) {
          for (int x = 0; x < image.width; ++x) {
            const double px = (x + 0.5) / 2, py = (y + 0.5) / 2;
            const bool inside = px > box.minX() - 0.5 && px < box.maxX() + 0.5 &&
                                py > box.minY() - 0.5 && py < box.maxY() + 0.5;
            if (!inside && image.pixels[static_cast<std::size_t>(y * image.width + x) * 4 + 3] != 0)
              ++outside;
          }
        }
        EXPECT_EQ(outside, 0);
      }
    }
  }
}

}  // namespace

// At both ends of the user's text sizes the texts take that size's fonts, every frame lies inside
// the widget and no ink of the content (without its background) falls more than half a point
// outside the rounded outline; but for the small widget at the largest size, whose texts cannot
// vanish: each shows at least "…", and the row they make is wider than the widget (check reports
// it).
TEST(WidgetLayout, staysInsideTheWidgetAtTheSmallestAndLargestTextSizes) {
  for (const char* id : {"en_US", "de_DE", "ru_RU", "ja_JP"}) {
    for (const auto textSize : {ui::DynamicTypeSize::xSmall, ui::DynamicTypeSize::accessibility5}) {
      for (const foundation::Size size :
           {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
        SCOPED_TRACE(std::string(id) + " " + std::string(toString(textSize)));
        if (textSize == ui::DynamicTypeSize::accessibility5 &&
            size == ui::WidgetCanvas::systemSmallSize) {
          ui::RenderEnvironment environment =
              pocketta::testing::environment(id, ui::WidgetCanvas{size});
          environment.dynamicTypeSize = textSize;
          const ui::WidgetLayout layout =
              ui::layoutWidget(widget(98765.43, 1234567.891, 86.4), environment, shapingMeasurer());
          for (const ui::PlacedText& text : ui::placedTexts(layout.content)) {
            EXPECT_FALSE(text.text.empty());
          }
          EXPECT_GT(layout.content.frame.size.width, size.width - 32);
          continue;
        }
        const ui::WidgetCanvas canvas{size};
        ui::RenderEnvironment environment = pocketta::testing::environment(id, canvas);
        environment.dynamicTypeSize = textSize;
        const ui::WidgetLayout layout =
            ui::layoutWidget(widget(98765.43, 1234567.891, 86.4), environment, shapingMeasurer());
        EXPECT_EQ(ui::placedTexts(layout.content).at(0).font.pointSize,
                  ui::pointSize(ui::Font::TextStyle::caption, textSize));
        std::vector<const ui::LayoutNode*> nodes{&layout.content};
        while (!nodes.empty()) {
          const ui::LayoutNode& n = *nodes.back();
          nodes.pop_back();
          EXPECT_TRUE(n.frame.minX() >= 0 && n.frame.minY() >= 0 && n.frame.maxX() <= size.width &&
                      n.frame.maxY() <= size.height)
              << ui::testing::flatten(n);
          for (const ui::LayoutNode& child : n.children) nodes.push_back(&child);
        }
        // The content alone: the list less its container background.
        ui::DisplayList content = ui::displayList(layout, environment);
        const auto& background = std::get<ui::ContainerBackground>(content.front());
        content.erase(content.begin(),
                      content.begin() + static_cast<std::ptrdiff_t>(background.itemCount + 1));
        const ui::detail::RgbaImage image = ui::detail::rasterize(content, canvas, 2);
        const double r = canvas.cornerRadius;
        int outside = 0;
        for (int i = 0; i < image.width * image.height; ++i) {
          const double x = (i % image.width + 0.5) / 2, y = (i / image.width + 0.5) / 2;
          outside += image.pixels[static_cast<std::size_t>(i) * 4 + 3] != 0 &&
                     std::hypot(x - std::clamp(x, r, size.width - r),
                                y - std::clamp(y, r, size.height - r)) > r + 0.5;
        }
        EXPECT_EQ(outside, 0);
      }
    }
  }
}
