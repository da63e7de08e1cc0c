#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"

namespace ui {

class ChafaLibrary;

// How a terminal shows a picture, as chafa's terminal database finds it from the environment: a
// graphics protocol (sixel, kitty, iTerm2's inline images), or character cells alone.
enum class TerminalProtocol : std::uint8_t { symbols, sixels, kitty, iterm2 };
std::string_view toString(TerminalProtocol protocol);

struct TerminalOptions {
  // The most character cells a line may take; cells grow beyond 4 x 8 points to fit. 0: no
  // limit.
  int columns = 0;
  // 24-bit colour escapes and the links as hyperlinks (OSC 8); without, plain text (NO_COLOR, a
  // dumb terminal).
  bool color = true;
  // For renderTerminalPicture: the library that draws pictures (none: the text preview), the
  // terminal's protocol, and a character cell's size in pixels (0: unknown, 10 x 20 taken).
  std::shared_ptr<const ChafaLibrary> pictures = nullptr;
  TerminalProtocol protocol = TerminalProtocol::symbols;
  int cellWidthPixels = 0;
  int cellHeightPixels = 0;
};

// The character cells a preview of a canvas takes: cells of 4 x 8 points, or larger to fit the
// columns, each twice as tall as wide.
struct TerminalGrid {
  int columns = 1;
  int rows = 1;
  double cellWidth = 4;  // points
  double cellHeight = 8;
  friend bool operator==(const TerminalGrid&, const TerminalGrid&) = default;
};
TerminalGrid terminalGrid(const WidgetCanvas& canvas, const TerminalOptions& options);

struct TerminalColor {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const TerminalColor&, const TerminalColor&) = default;
};

// One character cell: its character in its colours (none: the terminal's own). `glyph` empty:
// the right half of a wide character before it.
struct TerminalCell {
  std::string glyph = " ";
  std::optional<TerminalColor> foreground;
  std::optional<TerminalColor> background;
  // The colour of the picture at the cell's centre, behind a text drawn over the cell (none: the
  // background).
  std::optional<TerminalColor> behind;
  friend bool operator==(const TerminalCell&, const TerminalCell&) = default;
};

// A preview for a terminal: one character cell per cell of the grid, the background in cell
// colours, texts and symbols as characters in their colours, right-to-left text in display order.
// In colour, lines end in "\n" after a reset of the attributes, and the cells of a link are a
// hyperlink to its destination (OSC 8).
std::string renderTerminal(const DisplayList& list, const WidgetCanvas& canvas,
                           const TerminalOptions& options = {});

// The same with the shapes already drawn: `backdrop` holds the grid's cells row by row (as
// another backend drew the list's fills), and the texts and symbols are drawn over it.
std::string renderTerminal(const DisplayList& list, const WidgetCanvas& canvas,
                           const TerminalOptions& options, std::span<const TerminalCell> backdrop);

}  // namespace ui
