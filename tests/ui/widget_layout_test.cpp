#include <gtest/gtest.h>

#include "layout_test_support.hpp"
#include "ui/display/display_list.hpp"
#include "ui/layout/widget_layout.hpp"
#include "ui/view/view.hpp"

namespace ui {
namespace {

using testing::environment;
using testing::flatten;
using testing::measurer;

// A container background is laid out over the whole canvas and placed at its declared alignment;
// the content, in the margins, is centred whatever the background does; right to left mirrors
// both about the canvas. "ab" at 12 pt is 12 x 12 (half an em a character).
TEST(WidgetLayout, containerBackgroundSitsAtItsAlignmentOverTheWholeCanvas) {
  const struct {
    Alignment alignment;
    const char* frame;
  } cases[] = {
      {Alignment::center, "text ab 94 44 12 12"},
      {Alignment::topLeading, "text ab 0 0 12 12"},
      {Alignment::bottomTrailing, "text ab 188 88 12 12"},
      {Alignment::top, "text ab 94 0 12 12"},
      {Alignment::trailing, "text ab 188 44 12 12"},
  };
  const View content = Text("xy").font(Font::caption);
  for (const auto& c : cases) {
    SCOPED_TRACE(toString(c.alignment));
    const View view = content.containerBackground(ContainerBackgroundPlacement::widget, c.alignment,
                                                  Text("ab").font(Font::caption));
    const WidgetLayout laid = layoutWidget(view, environment({{200, 100}, 16, 10}), measurer());
    ASSERT_TRUE(laid.background.has_value());
    EXPECT_EQ(flatten(*laid.background), c.frame);
    EXPECT_EQ(flatten(laid.content), "text xy 94 44 12 12");
  }

  RenderEnvironment rtl = environment({{200, 100}, 16, 10});
  rtl.layoutDirection = LayoutDirection::rightToLeft;
  const View leading =
      View(Text("xy").font(Font::caption))
          .containerBackground(ContainerBackgroundPlacement::widget, Alignment::topLeading,
                               Text("ab").font(Font::caption));
  const WidgetLayout mirrored = layoutWidget(leading, rtl, measurer());
  EXPECT_EQ(flatten(*mirrored.background), "text ab 188 0 12 12");

  // The list marks the background's items as such, first, before the content; without one
  // declared there is no mark.
  const DisplayList list = displayList(mirrored, rtl);
  ASSERT_GE(list.size(), 2u);
  const auto* mark = std::get_if<ContainerBackground>(&list.front());
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->rect, (foundation::Rect{{0, 0}, {200, 100}}));
  EXPECT_EQ(mark->cornerRadius, 10);
  EXPECT_EQ(mark->itemCount, 1u);
  const DisplayList bare = displayList(layoutWidget(content, rtl, measurer()), rtl);
  for (const DisplayItem& item : bare)
    EXPECT_FALSE(std::holds_alternative<ContainerBackground>(item));
}

}  // namespace
}  // namespace ui
