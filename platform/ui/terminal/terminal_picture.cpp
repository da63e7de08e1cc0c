#include "ui/terminal/terminal_picture.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/raster/raster.hpp"
#include "ui/terminal/chafa_library.hpp"

namespace ui {
namespace {

// A character cell in pixels where the terminal does not say: the common 10 x 20.
constexpr int kCellWidth = 10;
constexpr int kCellHeight = 20;
constexpr double kImageScale = 2;  // pixels per point, as a phone draws a widget
// Pixels across a cell for the block symbols: chafa fits a symbol to 8 x 8 of them.
constexpr double kSymbolPixels = 8;

// The list without its texts and symbols, each replaced by an item that draws nothing, so that
// the counts of the items a link or the container background holds stay true.
DisplayList fillsOnly(const DisplayList& list) {
  DisplayList fills = list;
  for (DisplayItem& item : fills) {
    if (std::holds_alternative<TextRun>(item) || std::holds_alternative<Symbol>(item)) {
      item = FillRoundedRect{{}, 0, RGBA{0, 0, 0, 0}};
    }
  }
  return fills;
}

RgbaPixels pixelsOf(const detail::RgbaImage& image) {
  return {image.width, image.height, image.pixels};
}

// The image's colour at (x, y) in pixels, none where it is mostly transparent.
std::optional<TerminalColor> colourAt(const detail::RgbaImage& image, double x, double y) {
  const int column = std::clamp(static_cast<int>(x), 0, image.width - 1);
  const int row = std::clamp(static_cast<int>(y), 0, image.height - 1);
  const std::uint8_t* pixel = image.row(row) + static_cast<std::size_t>(column) * 4;
  if (pixel[3] < 128) return std::nullopt;
  return TerminalColor{pixel[0], pixel[1], pixel[2]};
}

// Whether two colours look the same: within 6 of 255 in each channel, the steps of a smooth
// gradient across one cell.
bool alike(const std::optional<TerminalColor>& a, const std::optional<TerminalColor>& b) {
  if (!a || !b) return a == b;
  auto near = [](int x, int y) { return std::abs(x - y) <= 6; };
  return near(a->red, b->red) && near(a->green, b->green) && near(a->blue, b->blue);
}

std::string inSymbols(const ChafaLibrary& chafa, const DisplayList& list,
                      const WidgetCanvas& canvas, const TerminalOptions& options) {
  const TerminalGrid grid = terminalGrid(canvas, options);
  const double scale = kSymbolPixels / grid.cellWidth;
  const detail::RgbaImage image = detail::rasterize(fillsOnly(list), canvas, scale);
  std::vector<TerminalCell> cells = chafa.drawCells(pixelsOf(image), grid.columns, grid.rows);
  for (int row = 0; row < grid.rows; ++row) {
    for (int column = 0; column < grid.columns; ++column) {
      TerminalCell& cell =
          cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(grid.columns) +
                static_cast<std::size_t>(column)];
      cell.behind = colourAt(image, (column + 0.5) * grid.cellWidth * scale,
                             (row + 0.5) * grid.cellHeight * scale);
      // chafa matches a gradient's steps with symbols of two colours no one can tell apart: a
      // plain cell shows the same, in a tenth of the bytes, and copies as a space.
      if (cell.glyph != " " && alike(cell.foreground, cell.background)) {
        cell = {" ", std::nullopt, cell.behind ? cell.behind : cell.background, cell.behind};
      }
    }
  }
  return renderTerminal(list, canvas, options, cells);
}

std::string inImage(const ChafaLibrary& chafa, const DisplayList& list, const WidgetCanvas& canvas,
                    const TerminalOptions& options) {
  const bool cellKnown = options.cellWidthPixels > 0 && options.cellHeightPixels > 0;
  const int cellWidth = cellKnown ? options.cellWidthPixels : kCellWidth;
  const int cellHeight = cellKnown ? options.cellHeightPixels : kCellHeight;
  double scale = kImageScale;
  if (options.columns > 0 && canvas.size.width > 0) {
    scale = std::min(scale, options.columns * cellWidth / canvas.size.width);
  }
  const detail::RgbaImage image = detail::rasterize(list, canvas, scale);
  // Whole cells with the picture at their top left, so that it is not stretched to fill them.
  const int columns = (image.width + cellWidth - 1) / cellWidth;
  const int rows = (image.height + cellHeight - 1) / cellHeight;
  const int width = columns * cellWidth;
  const int height = rows * cellHeight;
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(width) * height * 4, 0);
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(image.row(y), static_cast<std::size_t>(image.width) * 4,
                padded.data() + static_cast<std::size_t>(y) * width * 4);
  }
  return chafa.drawImage({width, height, padded}, options.protocol, columns, rows, cellWidth,
                         cellHeight) +
         "\n";
}

}  // namespace

std::string renderTerminalPicture(const DisplayList& list, const WidgetCanvas& canvas,
                                  const TerminalOptions& options) {
  if (!options.pictures) return renderTerminal(list, canvas, options);
  if (options.protocol == TerminalProtocol::symbols) {
    // Block symbols without their colours would show nothing of the picture.
    if (!options.color) return renderTerminal(list, canvas, options);
    return inSymbols(*options.pictures, list, canvas, options);
  }
  return inImage(*options.pictures, list, canvas, options);
}

}  // namespace ui
