#include <gtest/gtest.h>

#include "layout_test_support.hpp"
#include "layout_widget_tree.hpp"
#include "ui/hit_test.hpp"

namespace {

foundation::Point centre(const foundation::Rect& r) {
  return {r.midX(), r.midY()};
}

TEST(HitTest, linksAnswerWithTheirExactDestinationAndNothingElseDoes) {
  const ui::ShapingTextMeasurer pango;
  const ui::FixedAdvanceTextMeasurer fixed;
  const ui::View tree = ui::testing::widgetTree(277, 30, 16, "en_US");
  for (const ui::TextMeasurer* measurer : {static_cast<const ui::TextMeasurer*>(&pango),
                                           static_cast<const ui::TextMeasurer*>(&fixed)}) {
    for (foundation::Size size :
         {ui::WidgetCanvas::systemSmallSize, ui::WidgetCanvas::systemMediumSize}) {
      ui::LayoutEnvironment env;
      env.textMeasurer = measurer;
      const ui::WidgetLayout layout = ui::layoutWidget(tree, ui::WidgetCanvas{size}, env);
      auto at = [&](const char* what) {
        return ui::hitTest(layout, centre(ui::testing::find(layout.content, what)->frame));
      };
      auto url = [](const std::optional<foundation::URL>& u) {
        return u ? u->absoluteString() : std::string("none");
      };
      EXPECT_EQ(url(at("pocketta://add-income")), "pocketta://add-income");
      EXPECT_EQ(url(at("pocketta://add-expense")), "pocketta://add-expense");
      EXPECT_EQ(url(at("30")), "pocketta://add-income");  // the amount and the icon too
      EXPECT_EQ(url(at("arrow.up.right")), "pocketta://add-expense");
      EXPECT_EQ(url(at("POCKETTA")), "none");
      EXPECT_EQ(url(at("wallet.bifold.fill")), "none");
      EXPECT_EQ(url(at("CNY")), "none");
      EXPECT_EQ(url(at("CN¥277.00")), "none");
      // The space between the two links, the margins and points off the widget.
      EXPECT_EQ(url(ui::hitTest(layout, {size.width / 2, 110})), "none");
      EXPECT_EQ(url(ui::hitTest(layout, {2, 2})), "none");
      EXPECT_EQ(url(ui::hitTest(layout, {-50, 1e9})), "none");
    }
  }
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
