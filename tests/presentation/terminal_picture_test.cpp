// Pictures in the terminal through chafa, opened as the host opens it. Skipped where the library
// is missing.
#include <gtest/gtest.h>

#include <algorithm>

#include "ui/terminal/chafa_library.hpp"
#include "ui/terminal/terminal_picture.hpp"
#include "widget_test_support.hpp"

namespace {

using ui::TerminalProtocol;

std::shared_ptr<const ui::ChafaLibrary> chafa() {
  auto opened = ui::ChafaLibrary::open();
  auto* library = std::get_if<std::shared_ptr<const ui::ChafaLibrary>>(&opened);
  return library ? *library : nullptr;
}

ui::DisplayList mediumWidget() {
  const ui::RenderEnvironment environment =
      pocketta::testing::environment("en_US", ui::WidgetCanvas{ui::WidgetCanvas::systemMediumSize});
  return pocketta::testing::displayList(pocketta::testing::widget(12840.5, 350, 86.4), environment);
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(TerminalPicture, theProtocolIsTheOneTheEnvironmentNames) {
  const auto library = chafa();
  if (!library) GTEST_SKIP() << "libchafa.so.0 cannot be opened";
  const std::pair<std::vector<std::string>, TerminalProtocol> cases[] = {
      {{"TERM=xterm-kitty"}, TerminalProtocol::kitty},
      {{"TERM=xterm-256color", "TERM_PROGRAM=iTerm.app"}, TerminalProtocol::iterm2},
      {{"TERM=mlterm"}, TerminalProtocol::sixels},
      {{"TERM=foot"}, TerminalProtocol::sixels},
      {{"TERM=xterm-256color", "COLORTERM=truecolor"}, TerminalProtocol::symbols},
      {{"TERM=dumb"}, TerminalProtocol::symbols},
      {{}, TerminalProtocol::symbols},
  };
  for (const auto& [environment, protocol] : cases) {
    EXPECT_EQ(library->detect(environment), protocol) << testing::PrintToString(environment);
  }
}

TEST(TerminalPicture, anImageInEachProtocolFillsWholeCellsWithinTheColumns) {
  const auto library = chafa();
  if (!library) GTEST_SKIP() << "libchafa.so.0 cannot be opened";
  const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};  // 364 x 170 points
  const ui::DisplayList list = mediumWidget();
  const struct {
    TerminalProtocol protocol;
    int columns;
    int cellWidth, cellHeight;
    std::string opening;  // the image's first bytes
  } cases[] = {
      // Two pixels a point, 728 x 340, in whole cells of 10 x 20 pixels (the size assumed).
      {TerminalProtocol::kitty, 100, 0, 0, "\x1b_Ga=T,f=32,s=730,v=340,c=73,r=17,"},
      // Narrower: 40 columns of 10 pixels hold 400, 1.1 pixels a point.
      {TerminalProtocol::kitty, 40, 0, 0, "\x1b_Ga=T,f=32,s=400,v=200,c=40,r=10,"},
      // The cell size the terminal gives.
      {TerminalProtocol::kitty, 100, 8, 16, "\x1b_Ga=T,f=32,s=728,v=352,c=91,r=22,"},
      {TerminalProtocol::iterm2, 100, 0, 0, "\x1b]1337;File=inline=1;width=73;height=17;"},
      // Sixels are bands of six rows: chafa keeps whole bands.
      {TerminalProtocol::sixels, 100, 0, 0, "\x1bP0;1;0q\"1;1;730;336"},
  };
  for (const auto& c : cases) {
    ui::TerminalOptions options;
    options.columns = c.columns;
    options.pictures = library;
    options.protocol = c.protocol;
    options.cellWidthPixels = c.cellWidth;
    options.cellHeightPixels = c.cellHeight;
    const std::string out = ui::renderTerminalPicture(list, canvas, options);
    EXPECT_EQ(out.substr(0, c.opening.size()), c.opening) << toString(c.protocol);
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.find("POCKETTA"), std::string::npos);  // the texts are in the image
  }
}

TEST(TerminalPicture, inSymbolsTheTextsStayTextAndTheLinksHyperlinks) {
  const ui::WidgetCanvas canvas{ui::WidgetCanvas::systemMediumSize};
  const ui::DisplayList list = mediumWidget();
  const auto library = chafa();
  if (!library) GTEST_SKIP() << "libchafa.so.0 cannot be opened";
  ui::TerminalOptions options;
  options.columns = 80;
  options.pictures = library;
  const std::string out = ui::renderTerminalPicture(list, canvas, options);
  const std::string text = ui::renderTerminal(list, canvas, options);
  // The grid of the text preview: 80 columns of 4.55 points, 19 rows.
  EXPECT_EQ(count(out, "\x1b[0m\n"), 19u);
  EXPECT_EQ(count(out, "\n"), 19u);
  for (const ui::DisplayItem& item : list) {
    if (const auto* run = std::get_if<ui::TextRun>(&item)) {
      EXPECT_NE(out.find(run->text), std::string::npos) << run->text;
    }
  }
  // The corners are rounded in block symbols, where the text preview has whole cells.
  EXPECT_NE(out.find("\xe2\x96"), std::string::npos);
  // The two quick actions, one hyperlink a row each, closed within the row.
  for (const std::string url : {"pocketta://add-income", "pocketta://add-expense"}) {
    EXPECT_EQ(count(out, "\x1b]8;;" + url + "\x1b\\"), 1u) << url;
    EXPECT_EQ(count(text, "\x1b]8;;" + url + "\x1b\\"), 1u) << url;
  }
  EXPECT_EQ(count(out, "\x1b]8;;\x1b\\"), 2u);
  std::size_t lineStart = 0;
  for (std::size_t end = out.find('\n'); end != std::string::npos; end = out.find('\n', end + 1)) {
    const std::string line = out.substr(lineStart, end - lineStart);
    EXPECT_EQ(count(line, "\x1b]8;;p"), count(line, "\x1b]8;;\x1b\\")) << line;
    lineStart = end + 1;
  }
  const auto income = out.find("\x1b]8;;pocketta://add-income");
  EXPECT_LT(income, out.find("350", income));
  EXPECT_LT(out.find("350", income), out.find("\x1b]8;;\x1b\\", income));

  // Without colour, the plain text preview; without the library, the text preview.
  options.color = false;
  EXPECT_EQ(ui::renderTerminalPicture(list, canvas, options),
            ui::renderTerminal(list, canvas, options));
  options.color = true;
  options.pictures = nullptr;
  EXPECT_EQ(ui::renderTerminalPicture(list, canvas, options), text);
}

}  // namespace
