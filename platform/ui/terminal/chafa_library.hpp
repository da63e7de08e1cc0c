#pragma once

#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "ui/terminal/terminal_renderer.hpp"

namespace ui {

// Straight 8-bit RGBA pixels, rows top to bottom and packed.
struct RgbaPixels {
  int width = 0;
  int height = 0;
  std::span<const std::uint8_t> pixels;
};

// chafa (Debian's libchafa0), which turns pixels into what a terminal shows: sixel, kitty or
// iTerm2 images, or character cells. Opened with dlopen by the commands that draw a picture in
// the terminal: linked, it and GLib would load at the start of every command, and most draw none.
// Thread-safe.
class ChafaLibrary {
 public:
  // The library, or one line saying why it cannot be opened.
  static std::variant<std::shared_ptr<const ChafaLibrary>, std::string> open();

  // The protocol chafa's terminal database finds in the environment ("NAME=value" each: TERM,
  // TERM_PROGRAM...): kitty's, then iTerm2's, then sixels, where the terminal has one; else
  // symbols.
  TerminalProtocol detect(std::span<const std::string> environment) const;

  // The image in a graphics protocol, filling `columns` x `rows` cells of the given size in
  // pixels: the escape sequences that draw it.
  std::string drawImage(const RgbaPixels& image, TerminalProtocol protocol, int columns, int rows,
                        int cellWidth, int cellHeight) const;

  // The image as `columns` x `rows` character cells of block symbols in 24-bit colour, row by
  // row; a transparent colour is none.
  std::vector<TerminalCell> drawCells(const RgbaPixels& image, int columns, int rows) const;

  struct Functions;
  explicit ChafaLibrary(std::unique_ptr<const Functions> functions);
  ~ChafaLibrary();
  ChafaLibrary(const ChafaLibrary&) = delete;
  ChafaLibrary& operator=(const ChafaLibrary&) = delete;

 private:
  std::unique_ptr<const Functions> functions_;
};

}  // namespace ui
