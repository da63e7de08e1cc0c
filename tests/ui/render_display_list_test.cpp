#include <gtest/gtest.h>

#include "layout_test_support.hpp"
#include "ui/render_display_list.hpp"
#include "ui/view.hpp"
#include "ui/widget_layout.hpp"

namespace {

using ui::testing::environment;

TEST(RenderDisplayList, drawsBackgroundThenContentWithLinksAroundTheirContent) {
  const auto url = *foundation::URL::string("pocketta://add-income");
  const ui::View view =
      ui::VStack({ui::Link(url, ui::Label(ui::Text::verbatim("30"), ui::Image("arrow.down.left")))
                      .foregroundStyle(ui::Color::green),
                  ui::Text::verbatim("AB")})
          .font(ui::Font::caption)
          .containerBackground(
              ui::ContainerBackgroundPlacement::widget, ui::Alignment::center,
              ui::LinearGradient(ui::Gradient{{ui::Color::black, ui::Color::white}},
                                 ui::UnitPoint::topLeading, ui::UnitPoint::bottomTrailing))
          .foregroundStyle(ui::Color::white);
  const ui::WidgetCanvas canvas{{100, 80}};
  const ui::WidgetLayout layout = ui::layoutWidget(view, canvas, environment());

  const ui::RGBA black{0, 0, 0, 1}, white{1, 1, 1, 1},
      green{52 / 255.0, 199 / 255.0, 89 / 255.0, 1};
  const ui::ResolvedFont caption{12, ui::ResolvedFont::Weight::regular,
                                 ui::ResolvedFont::Design::proportional, false};
  // Content: link 30 x 12 over text 12 x 12, 8 apart: 30 x 32 centred in 68 x 48 at (16, 16).
  const ui::DisplayList expected = {
      ui::FillGradient{{{0, 0}, {100, 80}}, 21.7, {black, white}, {0, 0}, {100, 80}},
      ui::LinkRegion{{{35, 24}, {30, 12}}, url, 2},
      ui::Symbol{"arrow.down.left", {{35, 24}, {12, 12}}, green},
      ui::TextRun{"30", caption, green, {{53, 24}, {12, 12}}, 9, {}},
      ui::TextRun{"AB", caption, white, {{44, 44}, {12, 12}}, 9, {}},
  };
  EXPECT_EQ(ui::displayList(layout, false), expected);

  // Redacted: texts become bars of their width and colour; the rest stays.
  ui::DisplayList redacted = expected;
  redacted[3] = ui::FillRoundedRect{{{53, 25.2}, {12, 9.6}}, 9.6 * 0.3, green};
  redacted[4] = ui::FillRoundedRect{{{44, 45.2}, {12, 9.6}}, 9.6 * 0.3, white};
  const ui::DisplayList got = ui::displayList(layout, true);
  ASSERT_EQ(got.size(), redacted.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (const auto* bar = std::get_if<ui::FillRoundedRect>(&got[i])) {
      const auto& want = std::get<ui::FillRoundedRect>(redacted[i]);
      EXPECT_NEAR(bar->rect.minY(), want.rect.minY(), 1e-9);
      EXPECT_NEAR(bar->rect.size.height, want.rect.size.height, 1e-9);
      EXPECT_EQ(bar->rect.minX(), want.rect.minX());
      EXPECT_EQ(bar->rect.size.width, want.rect.size.width);
      EXPECT_EQ(bar->color, want.color);
    } else {
      EXPECT_EQ(got[i], redacted[i]);
    }
  }
}

}  // namespace
