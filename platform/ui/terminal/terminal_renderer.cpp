#include "ui/terminal/terminal_renderer.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "foundation/unicode.hpp"
#include "ui/graphics/paths.hpp"

namespace ui {

namespace {

constexpr double kMinCellWidth = 4;  // points; terminal cells are about twice as tall as wide
constexpr int kMaxCells = 400;       // per side, so a huge canvas cannot exhaust memory

using Rgb8 = TerminalColor;

Rgb8 toRgb8(const RGBA& c) {
  auto channel = [](double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
  };
  return {channel(c.red), channel(c.green), channel(c.blue)};
}

// `top` drawn over `bottom` with the top's opacity.
Rgb8 over(const RGBA& top, std::optional<Rgb8> bottom) {
  const Rgb8 t = toRgb8(top);
  if (!bottom || top.opacity >= 1) return t;
  const double a = std::clamp(top.opacity, 0.0, 1.0);
  auto mix = [&](std::uint8_t fg, std::uint8_t bg) {
    return static_cast<std::uint8_t>(std::lround(fg * a + bg * (1 - a)));
  };
  return {mix(t.red, bottom->red), mix(t.green, bottom->green), mix(t.blue, bottom->blue)};
}

std::string colorEscape(int selector, const std::optional<Rgb8>& color) {
  if (!color) return "\x1b[" + std::to_string(selector + 1) + "m";
  return "\x1b[" + std::to_string(selector) + ";2;" + std::to_string(color->red) + ';' +
         std::to_string(color->green) + ';' + std::to_string(color->blue) + 'm';
}

// A hyperlink's opening (OSC 8), or its end for an empty URL. A URL with bytes outside printable
// ASCII would end the sequence early or smuggle another in: it opens nothing.
std::string hyperlink(std::string_view url) {
  const bool printable =
      std::all_of(url.begin(), url.end(), [](char c) { return c > 0x20 && c < 0x7F; });
  return printable ? "\x1b]8;;" + std::string(url) + "\x1b\\" : std::string();
}

bool insideRoundedRect(const foundation::Rect& r, double radius, foundation::Point p) {
  if (!r.contains(p)) return false;
  radius = std::clamp(radius, 0.0, std::min(r.size.width, r.size.height) / 2);
  const double cx = std::clamp(p.x, r.minX() + radius, r.maxX() - radius);
  const double cy = std::clamp(p.y, r.minY() + radius, r.maxY() - radius);
  return std::hypot(p.x - cx, p.y - cy) <= radius;
}

RGBA gradientAt(const FillGradient& fill, foundation::Point p) {
  if (fill.colors.empty()) return {0, 0, 0, 0};
  if (fill.colors.size() == 1) return fill.colors.front();
  const double dx = fill.end.x - fill.start.x, dy = fill.end.y - fill.start.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - fill.start.x) * dx + (p.y - fill.start.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0) * static_cast<double>(fill.colors.size() - 1);
  const auto i = std::min(static_cast<std::size_t>(t), fill.colors.size() - 2);
  const double f = t - static_cast<double>(i);
  const RGBA& a = fill.colors[i];
  const RGBA& b = fill.colors[i + 1];
  return {a.red + (b.red - a.red) * f, a.green + (b.green - a.green) * f,
          a.blue + (b.blue - a.blue) * f, a.opacity + (b.opacity - a.opacity) * f};
}

using Cell = TerminalCell;

// Code points of `text` in display order; malformed bytes and controls become U+FFFD.
std::vector<std::pair<char32_t, std::string>> codePoints(std::string_view text) {
  const std::string visual = foundation::visualOrder(text);
  std::vector<std::pair<char32_t, std::string>> out;
  for (std::size_t i = 0; i < visual.size();) {
    const auto step = foundation::decodeUtf8(visual, i);
    if (!step.valid || step.codePoint < 0x20 || step.codePoint == 0x7F) {
      out.emplace_back(0xFFFD, "\xEF\xBF\xBD");
    } else {
      out.emplace_back(step.codePoint, visual.substr(i, step.length));
    }
    i += step.length;
  }
  return out;
}

std::string_view symbolGlyph(std::string_view name) {
  const detail::SymbolDefinition* symbol = detail::findSymbol(name);
  return symbol ? symbol->terminalGlyph : std::string_view{};
}

}  // namespace

std::string_view toString(TerminalProtocol protocol) {
  switch (protocol) {
    case TerminalProtocol::symbols:
      return "symbols";
    case TerminalProtocol::sixels:
      return "sixels";
    case TerminalProtocol::kitty:
      return "kitty";
    case TerminalProtocol::iterm2:
      return "iterm2";
  }
  return "symbols";
}

TerminalGrid terminalGrid(const WidgetCanvas& canvas, const TerminalOptions& options) {
  double cellWidth = kMinCellWidth;
  if (options.columns > 0 && canvas.size.width / cellWidth > options.columns) {
    cellWidth = canvas.size.width / options.columns;
  }
  const double cellHeight = 2 * cellWidth;
  // Clamped as doubles first: a NaN or huge canvas must not reach the integer conversion.
  auto cellCount = [](double length, double cell) {
    const double count = std::round(length / cell);
    return static_cast<int>(count >= 1 ? std::min(count, double{kMaxCells}) : 1);
  };
  return {cellCount(canvas.size.width, cellWidth), cellCount(canvas.size.height, cellHeight),
          cellWidth, cellHeight};
}

std::string renderTerminal(const DisplayList& list, const WidgetCanvas& canvas,
                           const TerminalOptions& options) {
  return renderTerminal(list, canvas, options, {});
}

std::string renderTerminal(const DisplayList& list, const WidgetCanvas& canvas,
                           const TerminalOptions& options, std::span<const TerminalCell> backdrop) {
  const auto [columns, rows, cellWidth, cellHeight] = terminalGrid(canvas, options);
  const std::size_t cellCount = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  const bool drawnShapes = backdrop.size() == cellCount;
  std::vector<Cell> cells = drawnShapes ? std::vector<Cell>(backdrop.begin(), backdrop.end())
                                        : std::vector<Cell>(cellCount);
  auto cellAt = [&](int column, int row) -> Cell* {
    if (column < 0 || row < 0 || column >= columns || row >= rows) return nullptr;
    return &cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                  static_cast<std::size_t>(column)];
  };
  auto centre = [&](int column, int row) {
    return foundation::Point{(column + 0.5) * cellWidth, (row + 0.5) * cellHeight};
  };
  // Out-of-range and NaN positions map to -1, a cell that does not exist.
  auto toIndex = [](double value) {
    return value >= 0 && value < kMaxCells ? static_cast<int>(value) : -1;
  };
  auto rowOf = [&](double y) { return toIndex(std::floor(y / cellHeight)); };
  auto columnOf = [&](double x) { return toIndex(std::round(x / cellWidth)); };
  // What shows behind a character drawn over a cell.
  auto behind = [](const Cell* cell) -> std::optional<Rgb8> {
    if (cell == nullptr) return std::nullopt;
    return cell->behind ? cell->behind : cell->background;
  };
  // The destination of the link over each cell, the last link drawn over it winning.
  std::vector<const foundation::URL*> links(options.color ? cellCount : 0, nullptr);

  for (const DisplayItem& item : list) {
    if (const auto* link = std::get_if<LinkRegion>(&item); link != nullptr && !links.empty()) {
      for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
          if (!link->rect.contains(centre(column, row))) continue;
          links[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                static_cast<std::size_t>(column)] = &link->destination;
        }
      }
    } else if (drawnShapes && (std::holds_alternative<FillGradient>(item) ||
                               std::holds_alternative<FillRoundedRect>(item))) {
      continue;
    } else if (const auto* fill = std::get_if<FillGradient>(&item)) {
      for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
          const foundation::Point p = centre(column, row);
          if (!insideRoundedRect(fill->rect, fill->cornerRadius, p)) continue;
          Cell* cell = cellAt(column, row);
          cell->background = over(gradientAt(*fill, p), cell->background);
        }
      }
    } else if (const auto* rect = std::get_if<FillRoundedRect>(&item)) {
      // A bar thinner than a cell still shows, in the row of its middle.
      const int barRow = rowOf(rect->rect.midY());
      for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
          const foundation::Point p = centre(column, row);
          const bool thinBar = rect->rect.size.height < cellHeight && row == barRow &&
                               p.x >= rect->rect.minX() && p.x < rect->rect.maxX();
          if (!thinBar && !insideRoundedRect(rect->rect, rect->cornerRadius, p)) continue;
          Cell* cell = cellAt(column, row);
          cell->background = over(rect->color, cell->background);
        }
      }
    } else if (const auto* run = std::get_if<TextRun>(&item)) {
      const int row = rowOf(run->rect.midY());
      int column = columnOf(run->rect.minX());
      Cell* previous = nullptr;
      // One background under the whole run keeps its characters together in the output, so the
      // line reads as one word in a terminal and in a log.
      const std::optional<Rgb8> runBackground = behind(cellAt(column, row));
      for (const auto& [cp, bytes] : codePoints(run->text)) {
        const int width = foundation::terminalWidth(cp);
        if (width == 0) {
          if (previous != nullptr) previous->glyph += bytes;
          continue;
        }
        Cell* cell = cellAt(column, row);
        if (cell == nullptr || (width == 2 && cellAt(column + 1, row) == nullptr)) break;
        cell->glyph = std::string(bytes);
        cell->foreground = toRgb8(run->color);
        cell->background = runBackground;
        if (width == 2) {
          cellAt(column + 1, row)->glyph.clear();
          cellAt(column + 1, row)->background = runBackground;
        }
        previous = cell;
        column += width;
      }
    } else if (const auto* symbol = std::get_if<Symbol>(&item)) {
      const std::string_view glyph = symbolGlyph(symbol->name);
      Cell* cell =
          cellAt(toIndex(std::floor(symbol->rect.midX() / cellWidth)), rowOf(symbol->rect.midY()));
      if (glyph.empty() || cell == nullptr) continue;
      cell->glyph = std::string(glyph);
      cell->foreground = toRgb8(symbol->color);
      cell->background = behind(cell);
    }
  }

  std::string out;
  out.reserve(cells.size() * 24);
  for (int row = 0; row < rows; ++row) {
    std::optional<Rgb8> foreground, background;
    const foundation::URL* link = nullptr;
    bool first = true;
    for (int column = 0; column < columns; ++column) {
      const Cell& cell = *cellAt(column, row);
      if (cell.glyph.empty()) continue;
      if (!options.color) {
        out += cell.glyph;
        continue;
      }
      const foundation::URL* cellLink =
          links[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                static_cast<std::size_t>(column)];
      if (cellLink != link) {
        if (link != nullptr) out += hyperlink("");
        if (cellLink != nullptr) out += hyperlink(cellLink->absoluteString());
        link = cellLink;
      }
      if (first || cell.background != background) {
        out += colorEscape(48, cell.background);
        background = cell.background;
      }
      if (cell.glyph != " " && (first || cell.foreground != foreground)) {
        out += colorEscape(38, cell.foreground);
        foreground = cell.foreground;
      }
      first = false;
      out += cell.glyph;
    }
    if (link != nullptr) out += hyperlink("");
    out += options.color ? "\x1b[0m\n" : "\n";
  }
  return out;
}

}  // namespace ui
