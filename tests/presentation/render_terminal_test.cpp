#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ui/render_display_list.hpp"
#include "ui/terminal_renderer.hpp"
#include "ui/widget_layout.hpp"
#include "widget_test_support.hpp"

namespace {

std::string foreground(int r, int g, int b) {
  return "\x1b[38;2;" + std::to_string(r) + ";" + std::to_string(g) + ";" + std::to_string(b) + "m";
}

// The foreground colour in force where `text` first appears whole, or "" if it does not.
// Searching starts at `from`, so that digits inside escape sequences can be stepped over.
std::string colourOf(const std::string& out, const std::string& text, std::size_t from = 0) {
  const std::size_t at = out.find(text, from);
  if (at == std::string::npos) return "";
  const std::size_t escape = out.rfind("\x1b[38;2;", at);
  if (escape == std::string::npos) return "default";
  return out.substr(escape, out.find('m', escape) + 1 - escape);
}

TEST(RenderTerminal, showsTheHeaderAndTheAmountsInTheirColours) {
  pocketta::testing::UserLocale locale("en_US");
  const ui::View tree = pocketta::testing::widget(277, 30, 16);
  struct Case {
    ui::ColorScheme scheme;
    std::string green;
    std::string orange;
  };
  const Case cases[] = {
      {ui::ColorScheme::light, foreground(52, 199, 89), foreground(255, 149, 0)},
      {ui::ColorScheme::dark, foreground(48, 209, 88), foreground(255, 159, 10)},
  };
  for (const Case& c : cases) {
    const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
    ui::RenderOptions options;
    options.colorScheme = c.scheme;
    const std::string out =
        ui::renderTerminal(ui::renderDisplayList(tree, canvas, options), canvas);
    // Texts come out whole (one background under each run), in their colours.
    const std::string white = foreground(255, 255, 255);
    EXPECT_EQ(colourOf(out, "POCKETTA"), white) << out;
    EXPECT_EQ(colourOf(out, "CNY"), white);
    EXPECT_EQ(colourOf(out, "CN¥277.00"), white);
    EXPECT_EQ(colourOf(out, "\u2199"), c.green);
    EXPECT_EQ(colourOf(out, "30", out.find("\u2199")), c.green);
    EXPECT_EQ(colourOf(out, "\u2197"), c.orange);
    EXPECT_EQ(colourOf(out, "16", out.find("\u2197")), c.orange);
    EXPECT_NE(out.find("\x1b[48;2;"), std::string::npos);  // the gradient as cell colours
    // 170 points at 8 per row; every line resets its attributes.
    std::size_t lines = 0;
    for (std::size_t at = out.find("\x1b[0m\n"); at != std::string::npos;
         at = out.find("\x1b[0m\n", at + 1)) {
      ++lines;
    }
    EXPECT_EQ(lines, 21u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')), 21u);
  }
}

TEST(RenderTerminal, boundsOutputForAbsurdCanvases) {
  const ui::DisplayList list = {ui::TextRun{"x", {}, {1, 1, 1, 1}, {{1e300, -5}, {1, 1}}, 1, {}}};
  for (foundation::Size size :
       {foundation::Size{0, 0}, foundation::Size{-1, 1e12}, foundation::Size{std::nan(""), 20}}) {
    const std::string out = ui::renderTerminal(list, ui::WidgetCanvas{size});
    EXPECT_LE(out.size(), 400u * 400u * 40u);
    EXPECT_EQ(out.find('x'), std::string::npos);
  }
}

}  // namespace
