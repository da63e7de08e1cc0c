#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>

#include "foundation/unicode.hpp"

#include "ui/terminal/terminal_renderer.hpp"
#include "widget_test_support.hpp"

namespace {

// The foreground colour ("38;2;r;g;b") in force where `text` first appears whole as printed text,
// "" before any, "missing" where it does not.
std::string colourOf(const std::string& out, const std::string& text) {
  for (std::size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) {
    if (at > 0 && (out[at - 1] == ';' || std::isdigit(out[at - 1]))) continue;  // in an escape
    const std::size_t escape = out.rfind("\x1b[38;2;", at);
    return escape == std::string::npos ? ""
                                       : out.substr(escape + 2, out.find('m', escape) - escape - 2);
  }
  return "missing";
}

TEST(RenderTerminal, showsEveryTextWholeInItsColourOneLineARow) {
  for (ui::ColorScheme scheme : {ui::ColorScheme::light, ui::ColorScheme::dark}) {
    const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
    ui::RenderEnvironment environment = pocketta::testing::environment("en_US", canvas);
    environment.colorScheme = scheme;
    const ui::DisplayList list =
        pocketta::testing::displayList(pocketta::testing::widget(277, 30, 16), environment);
    const std::string out = ui::renderTerminal(list, canvas);
    int texts = 0;
    for (const ui::DisplayItem& item : list) {
      const auto* run = std::get_if<ui::TextRun>(&item);
      if (run == nullptr) continue;
      ++texts;
      auto channel = [](double v) { return std::to_string(std::lround(v * 255)); };
      const std::string colour = "38;2;" + channel(run->color.red) + ";" +
                                 channel(run->color.green) + ";" + channel(run->color.blue);
      EXPECT_EQ(colourOf(out, run->text), colour) << run->text << "\n" << out;
    }
    EXPECT_EQ(texts, 5);
    EXPECT_NE(out.find("\x1b[48;2;"), std::string::npos);  // the gradient as cell colours
    // 170 points at 8 per row; every line resets its attributes.
    std::size_t resets = 0;
    for (std::size_t at = 0; (at = out.find("\x1b[0m\n", at)) != std::string::npos; ++at) ++resets;
    EXPECT_EQ(resets, 21u);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 21);
  }
}

TEST(RenderTerminal, fitsTheWidthGivenPlainWhenAskedAndRightToLeftInDisplayOrder) {
  const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};  // 364 x 170 points
  const ui::RGBA white{1, 1, 1, 1};
  const ui::DisplayList list = {
      ui::FillRoundedRect{{{0, 0}, canvas.size}, 0, {0, 0, 1, 1}},
      ui::TextRun{"אבג 12", {}, white, {{0, 0}, {80, 10}}, 1, {}},
      ui::TextRun{"漢字é!", {}, white, {{0, 40}, {80, 10}}, 1, {}},
  };
  const struct {
    ui::TerminalOptions options;
    std::size_t lines;
    std::size_t widest;  // cells
  } cases[] = {
      {{0, true}, 21, 91}, {{40, true}, 9, 40}, {{40, false}, 9, 40}, {{200, false}, 21, 91}};
  for (const auto& c : cases) {
    const std::string out = ui::renderTerminal(list, canvas, c.options);
    EXPECT_EQ(out.find('') == std::string::npos, !c.options.color) << out;
    std::size_t lines = 0;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line); ++lines) {
      if (c.options.color) continue;
      // Cells: the wide characters take two each, the combining accent none.
      std::size_t cells = 0;
      for (std::size_t at = 0; at < line.size();) {
        const auto step = foundation::decodeUtf8(line, at);
        cells += static_cast<std::size_t>(foundation::terminalWidth(step.codePoint));
        at += step.length;
      }
      EXPECT_EQ(cells, c.widest) << line;
    }
    EXPECT_EQ(lines, c.lines) << c.options.columns;
    EXPECT_NE(out.find("12 גבא"), std::string::npos) << out;
    EXPECT_NE(out.find("漢字é!"), std::string::npos) << out;
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
